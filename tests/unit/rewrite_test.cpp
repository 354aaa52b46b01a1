// Rewrites in place: the mend of what a killed rewrite left (its redo record over every state
// the working copy can be found in), and which writes hold signals or leave a record.
#include "nvram/rewrite.h"

#include <gtest/gtest.h>

#include <functional>

#include "gateway_fixture.h"
#include "nvram/files.h"
#include "nvram/load.h"
#include "nvram/nvram.h"
#include "platform/fake.h"
#include "platform/paths.h"

namespace {

using support::make_store;

// A rewrite from `offset` on, of 16 KB of settings whose first value changes length.
struct Change {
  std::string old_list, new_list;
  size_t offset = 0;
  std::string record() const {
    std::string_view new_rest = std::string_view(new_list).substr(offset);
    RedoHeader header = redo_header(old_list, offset, new_rest);
    return std::string(header.begin(), header.end()) + old_list.substr(offset) + std::string(new_rest);
  }
};

Change change_of(const std::string& value) {
  Settings settings = make_store(16 * 1024).settings;
  Change change{entry_list_of(settings), "", 0};
  settings[0].second = value;
  change.new_list = entry_list_of(settings);
  while (change.old_list[change.offset] == change.new_list[change.offset]) ++change.offset;
  return change;
}

// The first `written` bytes from the offset new, the rest old (zeros past the old end).
std::string torn(const Change& change, size_t written) {
  std::string old = change.old_list;
  old.resize(std::max(old.size(), change.new_list.size()), '\0');
  return change.new_list.substr(0, change.offset + written) + old.substr(change.offset + written);
}

using RewriteTest = GatewayTest;

TEST_F(RewriteTest, TheNextRunFinishesWhatAKilledRewriteLeftOrDropsIt) {
  const Change grows = change_of(std::string(600, 'g')), shrinks = change_of("");
  struct Case {
    const char* name;
    const Change& change;
    std::function<std::string(const Change&)> record;  // what the redo file holds
    std::function<std::string(const Change&)> store;   // the working copy; "-" for none
    std::function<std::string(const Change&)> expected;
  };
  auto old_list = [](const Change& c) { return c.old_list; };
  auto new_list = [](const Change& c) { return c.new_list; };
  auto whole = [](const Change& c) { return c.record(); };
  const Case cases[] = {
      {"torn at a page", grows, whole, [](const Change& c) { return torn(c, 4096 - c.offset % 4096); },
       new_list},
      {"torn in a shrinking rewrite", shrinks, whole, [](const Change& c) { return torn(c, 5000); },
       new_list},
      {"old list", grows, whole, old_list, new_list},
      {"old list grown by the reservation", grows, whole, [](const Change& c) { return torn(c, 0); },
       new_list},
      {"new list", grows, whole, new_list, new_list},
      {"new list not yet cut", shrinks, whole,
       [](const Change& c) { return torn(c, c.new_list.size() - c.offset); }, new_list},
      {"record cut short", grows, [](const Change& c) { return c.record().substr(0, 4096); }, old_list,
       old_list},
      {"record with a changed byte", grows,
       [](const Change& c) {
         std::string bytes = c.record();
         bytes[bytes.size() / 2] ^= 1;
         return bytes;
       },
       old_list, old_list},
      {"no store", grows, whole, [](const Change&) { return std::string("-"); },
       [](const Change&) { return std::string("-"); }},
      {"another program changed the list ahead of the offset", grows, whole,
       [](const Change& c) { return std::string("X").append(c.old_list, 1); },
       [](const Change& c) { return std::string("X").append(c.old_list, 1); }},
      {"another program rewrote the list", grows, whole,
       [](const Change&) {
         return entry_list_of({{"a", "1"}});
       },
       [](const Change&) {
         return entry_list_of({{"a", "1"}});
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    write_file(paths::kWorkingCopyRedo, c.record(c.change));
    std::string store = c.store(c.change);
    if (store == "-")
      remove_file(paths::kWorkingCopy);
    else
      write_file(paths::kWorkingCopy, store);
    mend_working_copy();
    EXPECT_FALSE(file_exists(paths::kWorkingCopyRedo));
    std::string expected = c.expected(c.change);
    if (expected == "-")
      EXPECT_FALSE(file_exists(paths::kWorkingCopy));
    else
      EXPECT_TRUE(read_file(paths::kWorkingCopy) == expected);
  }
}

TEST_F(RewriteTest, ASetMendsARecordLeftBehindBeforeItWrites) {
  const Change change = change_of(std::string(600, 'g'));
  write_file(paths::kWorkingCopyRedo, change.record());
  write_file(paths::kWorkingCopy, torn(change, 4096 - change.offset % 4096));
  Settings expected = make_store(16 * 1024).settings;
  expected[0].second = std::string(600, 'g');
  expected[1].second = "a longer value than before";
  nvram_set(expected[1].first.c_str(), expected[1].second.c_str());
  EXPECT_TRUE(read_file(paths::kWorkingCopy) == entry_list_of(expected));
  EXPECT_FALSE(file_exists(paths::kWorkingCopyRedo));
}

// Only writes of more than one system call hold signals; none leaves its record behind, a
// get holds nothing, and no shell line runs while a hold lasts.
TEST_F(RewriteTest, HoldsOnlyWritesThatASignalCouldSplit) {
  const support::Store store = make_store(16 * 1024);
  const std::string key = store.settings[2].first;
  const std::string same_length(store.settings[2].second.size(), 'v');
  struct Case {
    const char* name;
    std::function<void()> act;
    long holds;
  };
  const Case cases[] = {
      {"get", [&] { nvram_get(key.c_str()); }, 0},
      {"set of a value of the same length", [&] { nvram_set(key.c_str(), same_length.c_str()); }, 0},
      {"set that rewrites the list from the start",
       [&] { nvram_set(key.c_str(), std::string(99, 'x').c_str()); }, 1},
      {"set of a new key", [&] { nvram_set("newKey", "1"); }, 1},
      {"load of another image",
       [&] {
         write_file(paths::kImage, image_of(entry_list_of({{"a", "1"}})));
         nvram_load();
       },
       1},
      {"load of the same image",
       [&] {
         write_file(paths::kImage, image_of(store.entries));
         nvram_load();
       },
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    write_file(paths::kWorkingCopy, store.entries);
    fake::sys().signal_holds = 0;
    c.act();
    EXPECT_EQ(fake::sys().signal_holds, c.holds);
    EXPECT_EQ(fake::sys().signal_hold_depth, 0);
    EXPECT_FALSE(file_exists(paths::kWorkingCopyRedo));
  }
  EXPECT_EQ(fake::sys().lines_while_held, 0);
}

}  // namespace
