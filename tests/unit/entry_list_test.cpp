// Entry search and rebuild, and sets that write only the changed part of the working copy:
// whatever is written, the file must end up as the whole list rebuilt by the plain rules.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "gateway_fixture.h"
#include "nvram/entry_list.h"
#include "nvram/nvram.h"

namespace {

using namespace std::string_literals;

// The list a set produces, by the plain rules: walk the entries up to the terminator (or
// the end of data), replace every entry of the key, append it when there was none.
std::string reference_rebuild(const std::string& data, const std::string& key, const std::string& value) {
  std::string out;
  bool replaced = false;
  size_t pos = 0;
  while (pos < data.size() && data[pos] != '\0') {
    size_t end = data.find('\0', pos);
    if (end == std::string::npos) end = data.size();
    std::string entry = data.substr(pos, end - pos);
    if (entry.size() > key.size() && entry.compare(0, key.size(), key) == 0 && entry[key.size()] == '=') {
      out += key + "=" + value + '\0';
      replaced = true;
    } else {
      out += entry + '\0';
    }
    pos = end + 1;
  }
  if (!replaced) out += key + "=" + value + '\0';
  return out + '\0';
}

struct ListCase {
  const char* name;
  std::string data;
};

const ListCase kLists[] = {
    {"empty file", ""},
    {"no entries", "\0"s},
    {"one entry", "wifiSSID=home\0\0"s},
    {"prefix keys", "wifiSSIDNum=2\0wifiSSID=home\0\0"s},
    {"key twice", "a=1\0wifiSSID=x\0b=2\0wifiSSID=y\0c=3\0\0"s},
    {"empty value", "wifiSSID=\0z=9\0\0"s},
    {"value holding =", "wifiSSID=a=b\0\0"s},
    {"bytes after the terminator", "a=1\0\0wifiSSID=hidden\0junk"s},
    {"last entry unterminated", "a=1\0wifiSSID=cut"s},
    {"list terminator missing", "a=1\0wifiSSID=x\0"s},
    {"other key unterminated", "wifiSSID=x\0tail=1"s},
    {"unterminated, key absent", "a=1\0b=2"s},
    {"key longer than the data", "wifi\0"s},
    {"entry without =", "wifiSSID\0wifiSSID=v\0\0"s},
};

TEST(EntryListTest, FindValueStopsAtTheTerminatorAndMatchesWholeKeys) {
  struct Case {
    std::string data;
    const char* key;
    std::optional<std::string> value;
  };
  const Case cases[] = {
      {"wifiSSIDNum=2\0wifiSSID=home\0\0"s, "wifiSSID", "home"},
      {"wifiSSIDNum=2\0wifiSSID=home\0\0"s, "wifiSSIDNum", "2"},
      {"wifiSSIDNum=2\0wifiSSID=home\0\0"s, "wifi", std::nullopt},
      {"k=first\0k=second\0\0"s, "k", "first"},
      {"k=\0\0"s, "k", ""},
      {"k=a=b\0\0"s, "k", "a=b"},
      {"a=1\0\0k=after\0"s, "k", std::nullopt},
      {"a=1\0k=cut"s, "k", "cut"},
      {"\0k=1\0\0"s, "k", std::nullopt},
      {"k\0k=1\0\0"s, "k", "1"},
      {"kk=1\0\0"s, "k", std::nullopt},
      {"k"s, "k", std::nullopt},
      {"k="s, "k", ""},
      {""s, "k", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.data + " / " + c.key);
    auto found = entry_list::find_value(c.data, c.key);
    ASSERT_EQ(found.has_value(), c.value.has_value());
    if (found) {
      EXPECT_EQ(std::string(*found), *c.value);
    }
  }
}

// The list is walked a block of bytes at a time: entries of every length from 1 to 40
// bytes, so that boundaries, terminators and keys fall at every place within a block.
TEST(EntryListTest, EveryEntryOfALongListIsFoundAtEveryAlignment) {
  for (size_t shift = 0; shift < 17; ++shift) {
    std::string list = std::string(shift, 'p') + "=\0"s;
    std::vector<std::pair<std::string, std::string>> entries;
    for (size_t n = 0; n < 120; ++n) {
      std::string key = std::to_string(n);
      key.insert(key.begin(), 'k');
      key.append(n % 7, 'x');
      std::string value(n % 41, static_cast<char>('a' + n % 26));
      list += key + "=" + value + '\0';
      entries.emplace_back(key, value);
    }
    for (const auto& [key, value] : entries) {
      SCOPED_TRACE("shift " + std::to_string(shift) + ", key " + key);
      auto found = entry_list::find_value(list, key);
      ASSERT_TRUE(found.has_value());
      EXPECT_EQ(std::string(*found), value);
      // The same list ended right ahead of this entry does not hold it any more.
      size_t at = list.find("\0"s + key + "=");
      std::string cut = list.substr(0, at + 1) + '\0' + list.substr(at + 1);
      EXPECT_FALSE(entry_list::find_value(cut, key).has_value());
    }
    EXPECT_FALSE(entry_list::find_value(list, "k1000").has_value());
  }
}

TEST(EntryListTest, AKeyWithAZeroByteMatchesNothing) {
  const std::string list = "a=1\0a\0b=2\0\0"s;
  EXPECT_FALSE(entry_list::find_value(list, "a\0b"s).has_value());
  EXPECT_FALSE(entry_list::find_value(list, "a\0"s).has_value());
}

TEST(EntryListTest, RebuildTailKeepsEverythingAheadOfTheFirstChange) {
  for (const ListCase& list : kLists) {
    for (const char* value : {"", "home", "a much longer value than before", "x"}) {
      SCOPED_TRACE(std::string(list.name) + " / " + value);
      std::string tail = "stale bytes from the last set";
      size_t offset = entry_list::rebuild_tail(list.data, "wifiSSID", value, tail);
      ASSERT_LE(offset, list.data.size());
      EXPECT_EQ(list.data.substr(0, offset) + tail, reference_rebuild(list.data, "wifiSSID", value));
      EXPECT_EQ(entry_list::rebuild(list.data, "wifiSSID", value),
                reference_rebuild(list.data, "wifiSSID", value));
    }
  }
}

// The list's end (its terminator after a whole entry) is found wherever it falls within the
// words that the search reads at once, and wherever the data begins: a new key goes right
// there, not after bytes that follow the terminator.
TEST(EntryListTest, ANewKeyGoesRightAfterTheTerminatorAtEveryPositionAndAlignment) {
  for (size_t shift = 0; shift < 16; ++shift) {
    for (size_t pad = 0; pad < 48; ++pad) {
      SCOPED_TRACE("shift " + std::to_string(shift) + ", value of " + std::to_string(pad));
      const std::string list = "a=" + std::string(pad, 'v') + "\0\0after=1\0\0"s;
      const std::string buffer = std::string(shift, '\0') + list;
      const std::string_view data = std::string_view(buffer).substr(shift);
      std::string tail;
      size_t offset = entry_list::rebuild_tail(data, "newKey", "1", tail);
      ASSERT_LE(offset, list.size());
      EXPECT_EQ(list.substr(0, offset) + tail, reference_rebuild(list, "newKey", "1"));
    }
  }
}

class PartialSetTest : public GatewayTest {};

// A set writes only from the first changed byte on and cuts the file to its new length:
// the file must hold exactly the rebuilt list, whatever it held before and whatever the
// new value's length, and a set that changes nothing leaves it as it was.
TEST_F(PartialSetTest, WorkingCopyHoldsTheRebuiltList) {
  for (const ListCase& list : kLists) {
    for (const char* value : {"", "home", "homf", "x", "a much longer value than before", "y=1"}) {
      SCOPED_TRACE(std::string(list.name) + " / " + value);
      write_file("/tmp/nvram", list.data);
      nvram_set("wifiSSID", value);
      std::string expected = reference_rebuild(list.data, "wifiSSID", value);
      EXPECT_EQ(read_file("/tmp/nvram"), expected);
      // Again with the same value: the list is already right.
      nvram_set("wifiSSID", value);
      EXPECT_EQ(read_file("/tmp/nvram"), expected);
    }
  }
}

TEST_F(PartialSetTest, SetsInSequenceKeepEveryOtherEntry) {
  set_settings({{"a", "1"}, {"wifiSSID", "one"}, {"b", "2"}, {"wifiSSIDNum", "3"}, {"c", "3"}});
  nvram_set("wifiSSID", "two");
  nvram_set("b", "a longer two");
  nvram_set("wifiSSIDNum", "");
  nvram_set("new", "n");
  nvram_set("a", "0");
  nvram_set("b", "2");
  EXPECT_EQ(
      read_file("/tmp/nvram"),
      entry_list_of(
          {{"a", "0"}, {"wifiSSID", "two"}, {"b", "2"}, {"wifiSSIDNum", ""}, {"c", "3"}, {"new", "n"}}));
  EXPECT_STREQ(nvram_get("wifiSSIDNum"), "");
  EXPECT_STREQ(nvram_get("c"), "3");
}

}  // namespace
