// The redo record: which working copies the mend finishes and which records it drops, and what
// at the record's path it never trusts.
#include "nvram/redo.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>

#include "gateway_fixture.h"
#include "nvram/nvram.h"
#include "platform/paths.h"

namespace {

using support::Change;

using RedoTest = GatewayTest;

TEST_F(RedoTest, FinishesOnlyARewriteTornAsAKillLeavesIt) {
  const Change grows = Change::of(std::string(600, 'g')), shrinks = Change::of("");
  using Make = std::function<std::string(const Change&)>;
  struct Case {
    const char* name;
    const Change& change;
    Make record;    // what the record holds
    Make store;     // the working copy; "-" for none
    bool finished;  // the new list, else the store as it was
  };
  const Make whole = [](const Change& c) { return c.record(); };
  const Make old_list = [](const Change& c) { return c.old_list; };
  const Case cases[] = {
      {"torn at a page", grows, whole, [](const Change& c) { return c.torn(c.to_page(1)); }, true},
      {"torn two pages on in a shrinking rewrite", shrinks, whole,
       [](const Change& c) { return c.torn(c.to_page(2)); }, true},
      {"old list grown by the reservation", grows, whole, [](const Change& c) { return c.torn(0); }, true},
      {"new list not yet cut", shrinks, whole,
       [](const Change& c) { return c.torn(c.new_list.size() - c.offset); }, true},
      // The kill came before the write, or after it and before the record's removal, and
      // another program may have set the same key back since: the file stays as it is.
      {"old list", grows, whole, old_list, false},
      {"new list", grows, whole, [](const Change& c) { return c.new_list; }, false},
      {"torn between two page boundaries", grows, whole,
       [](const Change& c) { return c.torn(c.to_page(1) + 8); }, false},
      {"a later value shortened by the growth", grows, whole,
       [](const Change& c) {
         std::string shortened = c.new_list;
         shortened.erase(c.new_list.size() - 700, 600);
         return shortened;
       },
       false},
      {"record cut short", grows, [](const Change& c) { return c.record().substr(0, 4096); },
       [](const Change& c) { return c.torn(c.to_page(1)); }, false},
      {"record with a changed byte", grows,
       [](const Change& c) {
         std::string bytes = c.record();
         bytes[bytes.size() / 2] ^= 1;
         return bytes;
       },
       [](const Change& c) { return c.torn(c.to_page(1)); }, false},
      // The first half of the sum still holds; only the second tells the order.
      {"record with two words of its new bytes swapped", grows,
       [](const Change& c) {
         std::string bytes = c.record();
         size_t at = bytes.size() - 64;
         std::string first = bytes.substr(at, 4);
         bytes.replace(at, 4, bytes.substr(at + 4, 4));
         bytes.replace(at + 4, 4, first);
         return bytes;
       },
       [](const Change& c) { return c.torn(c.to_page(1)); }, false},
      {"another program changed the list ahead of the offset", grows, whole,
       [](const Change& c) {
         std::string changed = c.torn(c.to_page(1));
         changed[0] = 'X';
         return changed;
       },
       false},
      {"another program rewrote the list", grows, whole,
       [](const Change&) {
         return entry_list_of({{"a", "1"}});
       },
       false},
      {"no store", grows, whole, [](const Change&) { return std::string("-"); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    write_file(paths::kWorkingCopyRedo, c.record(c.change));
    const std::string store = c.store(c.change);
    if (store == "-")
      remove_file(paths::kWorkingCopy);
    else
      write_file(paths::kWorkingCopy, store);
    mend_working_copy();
    EXPECT_FALSE(file_exists(paths::kWorkingCopyRedo));
    if (store == "-")
      EXPECT_FALSE(file_exists(paths::kWorkingCopy));
    else
      EXPECT_TRUE(read_file(paths::kWorkingCopy) == (c.finished ? c.change.new_list : store));
  }
}

// Anything at the record's path that qd_rc did not make is never read: a record that would
// finish a torn-looking store with values of the planter's choosing leaves the store as it is.
TEST_F(RedoTest, NeverTrustsWhatItDidNotMake) {
  const std::string store = support::make_store(16 * 1024).entries;
  const Change change = Change::planted(store);
  const std::string record = change.record();
  const std::string path = host_path(paths::kWorkingCopyRedo);
  const bool root = ::geteuid() == 0;
  struct Case {
    const char* name;
    std::function<void()> plant;
    bool stays = false;  // left in place (a directory), else removed by name
  };
  const Case cases[] = {
      {"writable by others",
       [&] {
         write_file(paths::kWorkingCopyRedo, record);
         ::chmod(path.c_str(), 0666);
       }},
      {"a second link",
       [&] {
         write_file("/tmp/other", record);
         ::link(host_path("/tmp/other").c_str(), path.c_str());
       }},
      {"a symbolic link to the working copy",
       [&] { ::symlink(host_path(paths::kWorkingCopy).c_str(), path.c_str()); }},
      {"a FIFO", [&] { ::mkfifo(path.c_str(), 0600); }},
      {"a directory", [&] { ::mkdir(path.c_str(), 0700); }, true},
      {"3 GB, sparse (2 GB where a file cannot be larger)",
       [&] {
         write_file(paths::kWorkingCopyRedo, record);
         ::truncate(path.c_str(), sizeof(off_t) > 4 ? static_cast<off_t>(3) << 30 : 0x7fff0000);
       }},
      {"owned by another user",
       [&] {
         write_file(paths::kWorkingCopyRedo, record);
         ::chown(path.c_str(), 65534, 65534);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (!root && std::string_view(c.name).starts_with("owned")) continue;
    write_file(paths::kWorkingCopy, store);
    c.plant();
    auto begin = std::chrono::steady_clock::now();
    ::testing::internal::CaptureStderr();
    mend_working_copy();
    std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(200));
    EXPECT_TRUE(said.starts_with("qd_rc: ignoring /tmp/nvram.redo: ")) << said;
    EXPECT_TRUE(read_file(paths::kWorkingCopy) == store);
    struct stat st;
    EXPECT_EQ(::lstat(path.c_str(), &st) == 0, c.stays);
    ::rmdir(path.c_str());
    remove_file("/tmp/other");
  }
  // The same record made by qd_rc itself is finished.
  write_file(paths::kWorkingCopyRedo, record);
  ::chmod(path.c_str(), 0600);
  mend_working_copy();
  EXPECT_TRUE(read_file(paths::kWorkingCopy) == change.new_list);
}

// A name that leads to the working copy itself: the lock that the writer holds on it stays.
TEST_F(RedoTest, ALinkToTheWorkingCopyLeavesTheWritersLock) {
  write_file(paths::kWorkingCopy, entry_list_of({{"a", "1"}}));
  const std::string store = host_path(paths::kWorkingCopy);
  ASSERT_EQ(::link(store.c_str(), host_path(paths::kWorkingCopyRedo).c_str()), 0);
  int fd = ::open(store.c_str(), O_RDWR);
  ASSERT_EQ(::lockf(fd, F_LOCK, 0), 0);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(mend_from_record(fd, paths::kWorkingCopyRedo), Mend::clear);
  ::testing::internal::GetCapturedStderr();
  EXPECT_FALSE(file_exists(paths::kWorkingCopyRedo));
  pid_t child = ::fork();
  if (child == 0) {
    int other = ::open(store.c_str(), O_RDWR);
    ::_exit(::lockf(other, F_TEST, 0) == 0 ? 1 : 0);  // 0: still locked by the writer
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the writer's lock was dropped";
  ::close(fd);
}

// A directory where the record goes: every rewrite is reported and written without a record.
TEST_F(RedoTest, ADirectoryInTheRecordsPlaceLeavesSetsWithoutARecord) {
  const Change change = Change::of(std::string(600, 'g'));
  write_file(paths::kWorkingCopy, change.old_list);
  ::mkdir(host_path(paths::kWorkingCopyRedo).c_str(), 0700);
  ::testing::internal::CaptureStderr();
  nvram_set(change.key.c_str(), std::string(600, 'g').c_str());
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "qd_rc: ignoring /tmp/nvram.redo: a directory; rewrites go without a record\n");
  EXPECT_TRUE(read_file(paths::kWorkingCopy) == change.new_list);
}

}  // namespace
