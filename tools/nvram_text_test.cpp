// The settings text format: escapes both ways, refused input, and the checks of dump/verify.
#include "nvram_text.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "nvram/entry_list.h"
#include "nvram/file_bin.h"
#include "nvram/image.h"
#include "nvram/load.h"

namespace {

using nvram_text::Entry;

TEST(NvramText, ParsesEntriesCommentsAndEscapes) {
  auto parsed = nvram_text::parse(
      "# home gateway\n"
      "\n"
      "   \n"
      "wifiBssid[0]=My Net = home \n"
      "empty=\r\n"
      "lines=a\\nb\\r\\tc\\\\d\\x01\\xfF\n"
      "wifiAuth[1]=5");
  ASSERT_EQ(parsed.error, "");
  ASSERT_EQ(parsed.entries.size(), 4u);
  EXPECT_EQ(parsed.entries[0].key, "wifiBssid[0]");
  EXPECT_EQ(parsed.entries[0].value, "My Net = home ");  // blanks and later "=" kept
  EXPECT_EQ(parsed.entries[1].value, "");                // CR of a Windows line end dropped
  EXPECT_EQ(parsed.entries[2].value, std::string("a\nb\r\tc\\d\x01\xff"));
  EXPECT_EQ(parsed.entries[3].value, "5");
}

TEST(NvramText, RefusesBadLinesWithTheirNumber) {
  struct Case {
    const char* name;
    const char* text;
    const char* error;
  } cases[] = {
      {"no equals", "a=1\nnoequals\n", "line 2: no \"=\" between key and value"},
      {"empty key", "=1\n", "line 1: empty key"},
      {"escaped equals in key", "a\\x3db=1\n", "line 1: key holds \"=\""},
      {"zero byte", "a=\\x00\n", "line 1: \\x00: a setting cannot hold a zero byte"},
      {"short hex", "a=\\x4\n", "line 1: \\x needs two hexadecimal digits"},
      {"hex at end", "a=\\x", "line 1: \\x needs two hexadecimal digits"},
      {"unknown escape", "a=\\q\n", "line 1: unknown escape \\q"},
      {"trailing backslash", "a=b\\\n", "line 1: backslash at the end of the line"},
      {"duplicate", "a=1\n#\na=2\n", "line 3: key a given twice"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto parsed = nvram_text::parse(c.text);
    EXPECT_EQ(parsed.error, c.error);
    EXPECT_TRUE(parsed.entries.empty());
  }
}

TEST(NvramText, FormatReadsBackToTheSameBytes) {
  std::string all_bytes;
  for (int c = 1; c < 256; ++c) all_bytes += static_cast<char>(c);
  std::vector<Entry> entries = {
      {"#hash", "v"}, {" lead", " x "}, {"plain", all_bytes}, {"k\\ey\n", "="}, {"e", ""}};
  std::string text;
  for (const Entry& e : entries) text += nvram_text::format_line(e.key, e.value) + "\n";
  auto parsed = nvram_text::parse(text);
  ASSERT_EQ(parsed.error, "");
  ASSERT_EQ(parsed.entries.size(), entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(parsed.entries[i].key, entries[i].key);
    EXPECT_EQ(parsed.entries[i].value, entries[i].value);
  }
  EXPECT_EQ(nvram_text::format_line("k", "a\nb"), "k=a\\nb");  // one line per entry
}

TEST(NvramText, ImageIsWhatTheLoaderAccepts) {
  std::string list = nvram_text::entry_list_of({{"a", "1"}, {"b", ""}});
  EXPECT_EQ(list, std::string("a=1\0b=\0\0", 8));
  EXPECT_EQ(nvram_text::entry_list_of({}), std::string(1, '\0'));

  std::string image = nvram_text::image_of(list);
  ASSERT_EQ(image.size(), 40u + list.size());
  EXPECT_EQ(image.substr(0, 4), std::string("RON\0", 4));
  auto header = parse_image_header(image);
  ASSERT_TRUE(header);
  EXPECT_EQ(header->length, list.size());
  EXPECT_EQ(header->crc, nvram_crc32(list.data(), static_cast<long>(list.size())));
  EXPECT_EQ(image.substr(12, 28), std::string(28, '\0'));
  EXPECT_EQ(image_entries(image), list);
  // Little-endian whatever the host: length 8 is the byte 8 first.
  EXPECT_EQ(image.substr(4, 4), std::string("\x08\0\0\0", 4));
}

TEST(NvramText, InspectTellsSoundFromDamaged) {
  std::string list = nvram_text::entry_list_of({{"a", "1"}, {"b", "x=y"}});
  std::string image = nvram_text::image_of(list);
  std::string flipped = image;
  flipped[42] ^= 1;  // the value "1" becomes "0"
  struct Case {
    const char* name;
    std::string file;
    bool is_image, sound;
    size_t entries;
    const char* note;  // expected among the notes, or empty
  } cases[] = {
      {"sound image", image, true, true, 2, ""},
      {"flipped byte", flipped, true, false, 2, "CRC mismatch: qd_rc does not load this image"},
      {"cut data", image.substr(0, image.size() - 3), true, false, 2,
       "data cut short: the header says 11 bytes, the file holds 8"},
      {"trailing bytes", image + "zz", true, true, 2, "2 bytes after the data (not verified, not loaded)"},
      {"working copy", list, false, true, 2, ""},
      {"no terminator", std::string("a=1\0b=2", 7), false, false, 2,
       "the entry list has no terminator; its last entry ends at the end of the data"},
      {"plain text", "a=1\n", false, false, 0,
       "no zero byte: not an entry list (key=value text? `qd_nvram_tool working` makes one)"},
      {"broken magic", std::string("X").append(image, 1), false, false, 0,
       "an image whose magic is not \"RON\\0\": qd_rc ignores it and keeps its working copy"},
      {"entry without equals", std::string("a=1\0junk\0\0", 10), false, false, 1,
       "1 entries without a key and \"=\""},
      {"bytes after terminator", std::string("a=1\0\0b=2\0", 9), false, false, 1,
       "4 bytes after the list terminator (readers ignore them)"},
      {"empty", "", false, true, 0, "empty file: a working copy without entries"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto report = nvram_text::inspect(c.file);
    EXPECT_EQ(report.is_image, c.is_image);
    EXPECT_EQ(report.sound, c.sound);
    EXPECT_EQ(report.entries.size(), c.entries);
    if (*c.note) {
      EXPECT_NE(std::find(report.notes.begin(), report.notes.end(), c.note), report.notes.end());
    }
  }
}

}  // namespace
