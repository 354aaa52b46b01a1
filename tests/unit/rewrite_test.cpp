// The one write path of the sets and the load: what a killed rewrite left is settled before
// every write, and only writes that a signal could split hold signals.
#include "nvram/rewrite.h"

#include <gtest/gtest.h>

#include <functional>

#include "gateway_fixture.h"
#include "nvram/load.h"
#include "nvram/nvram.h"
#include "platform/fake.h"
#include "platform/paths.h"

namespace {

using support::Change;
using support::make_store;

using RewriteTest = GatewayTest;

// A qd_rc already past its start-up when another one was killed in a rewrite sets a key: its
// set finishes the torn list first, whatever its own write (one that needs no record too).
TEST_F(RewriteTest, EveryWriteFinishesATornListFirst) {
  const Change change = Change::of(std::string(600, 'g'));
  Settings expected = make_store(16 * 1024).settings;
  expected[0].second = std::string(600, 'g');
  const std::string key = expected[3].first, same_length(expected[3].second.size(), 's');
  struct Case {
    const char* name;
    std::function<void()> write;
    Settings settings;
  };
  const Case cases[] = {
      {"set of a value of the same length", [&] { nvram_set(key.c_str(), same_length.c_str()); },
       merged(expected, {{key, same_length}})},
      {"set of a new key", [&] { nvram_set("newKey", "1"); }, merged(expected, {{"newKey", "1"}})},
      {"set that rewrites the list", [&] { nvram_set(key.c_str(), "a longer value than before"); },
       merged(expected, {{key, "a longer value than before"}})},
      {"load of the image",
       [&] {
         write_file(paths::kImage, image_of(entry_list_of(expected)));
         EXPECT_EQ(nvram_load(), 0);
       },
       expected},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    write_file(paths::kWorkingCopyRedo, change.record());
    write_file(paths::kWorkingCopy, change.torn(change.to_page(1)));
    c.write();
    EXPECT_TRUE(read_file(paths::kWorkingCopy) == entry_list_of(c.settings));
    EXPECT_FALSE(file_exists(paths::kWorkingCopyRedo));
    remove_file(paths::kImage);
  }
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
         EXPECT_EQ(nvram_load(), 0);
       },
       1},
      {"load of the same image",
       [&] {
         write_file(paths::kImage, image_of(store.entries));
         EXPECT_EQ(nvram_load(), 0);
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
