// Settings get/set: the entry search, in-place replacement, the image fallback, the deletion
// marker, the value registry, damaged lists, and sets that run at the same time.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>

#include "freshness.h"
#include "gateway_fixture.h"
#include "nvram/entry_list.h"
#include "nvram/nvram.h"
#include "text.h"

namespace {

using NvramTest = GatewayTest;

std::string get(const char* key) {
  const char* value = nvram_get(key);
  return value ? value : "<null>";
}

TEST_F(NvramTest, KeyMatchesOnlyWhenEqualsFollows) {
  set_settings({{"wifiSSIDNum", "2"}, {"wifiSSID", "home"}, {"empty", ""}, {"eq", "a=b=c"}});
  EXPECT_EQ(get("wifiSSID"), "home");
  EXPECT_EQ(get("wifiSSIDNum"), "2");
  EXPECT_EQ(get("wifi"), "<null>");
  EXPECT_EQ(get("empty"), "");
  EXPECT_EQ(get("eq"), "a=b=c");
  EXPECT_EQ(get("a"), "<null>");
}

TEST_F(NvramTest, DeletionMarkerOnlyAtTheStartAndCaseSensitive) {
  set_settings({{"a", "*DEL*"}, {"b", "*DEL*x"}, {"c", "x*DEL*"}, {"d", "*del*"}});
  EXPECT_EQ(get("a"), "<null>");
  EXPECT_EQ(get("b"), "<null>");
  EXPECT_EQ(get("c"), "x*DEL*");
  EXPECT_EQ(get("d"), "*del*");
  nvram_set("c", "*DEL*");
  EXPECT_EQ(get("c"), "<null>");
}

TEST_F(NvramTest, SetAppendsOrReplacesInPlaceKeepingOrder) {
  set_settings({{"a", "1"}, {"b", "2"}, {"c", "3"}});
  EXPECT_EQ(nvram_set("new", "4"), 0);
  EXPECT_EQ(read_file("/tmp/nvram"), entry_list_of({{"a", "1"}, {"b", "2"}, {"c", "3"}, {"new", "4"}}));
  nvram_set("b", "a longer value");
  EXPECT_EQ(read_file("/tmp/nvram"),
            entry_list_of({{"a", "1"}, {"b", "a longer value"}, {"c", "3"}, {"new", "4"}}));
  nvram_set("b", "");
  EXPECT_EQ(read_file("/tmp/nvram"), entry_list_of({{"a", "1"}, {"b", ""}, {"c", "3"}, {"new", "4"}}));
}

TEST_F(NvramTest, DuplicateKeysReadFirstAndAreAllReplaced) {
  set_settings({{"k", "first"}, {"x", "1"}, {"k", "second"}});
  EXPECT_EQ(get("k"), "first");
  nvram_set("k", "v");
  EXPECT_EQ(read_file("/tmp/nvram"), entry_list_of({{"k", "v"}, {"x", "1"}, {"k", "v"}}));
}

TEST_F(NvramTest, EveryGetReadsWhatTheFilesHoldNow) {
  for (const std::string& failure : support::freshness_failures()) ADD_FAILURE() << failure;
}

TEST_F(NvramTest, DamagedListsAreReadWithinTheirBytes) {
  // Bytes after the terminator are dropped by the next set.
  write_file("/tmp/nvram", entry_list_of({{"a", "1"}}) + std::string("b=2\0", 4));
  EXPECT_EQ(get("b"), "<null>");
  nvram_set("c", "3");
  EXPECT_EQ(read_file("/tmp/nvram"), entry_list_of({{"a", "1"}, {"c", "3"}}));

  // No terminator at all: the last, unterminated entry counts and is written back terminated.
  write_file("/tmp/nvram", std::string("a=1\0b=2", 7));
  EXPECT_EQ(get("b"), "2");
  EXPECT_EQ(get("zz"), "<null>");
  nvram_set("c", "3");
  EXPECT_EQ(read_file("/tmp/nvram"), entry_list_of({{"a", "1"}, {"b", "2"}, {"c", "3"}}));

  write_file("/tmp/nvram", "a");
  EXPECT_EQ(get("a"), "<null>");
}

TEST_F(NvramTest, MissingWorkingCopyIsCreatedPrivateByTheFirstSet) {
  EXPECT_EQ(get("a"), "<null>");
  nvram_set("a", "1");
  EXPECT_EQ(read_file("/tmp/nvram"), entry_list_of({{"a", "1"}}));
  struct stat st {};
  ASSERT_EQ(::stat(host_path("/tmp/nvram").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(NvramTest, ImageFallbackCopiesTheValueIntoTheWorkingCopy) {
  set_image({{"fromImage", "img"}, {"deleted", "*DEL*gone"}, {"both", "image"}});
  set_settings({{"both", "*DEL*"}});
  EXPECT_EQ(get("fromImage"), "img");
  EXPECT_EQ(get("deleted"), "<null>");
  EXPECT_EQ(get("both"), "<null>") << "the image is consulted only for keys the working copy lacks";
  EXPECT_EQ(get("nowhere"), "<null>");
  EXPECT_EQ(read_file("/tmp/nvram"),
            entry_list_of({{"both", "*DEL*"}, {"fromImage", "img"}, {"deleted", "*DEL*gone"}}));
}

TEST_F(NvramTest, ImageFallbackNeedsTheMagicButNotTheCrc) {
  std::string image = image_of(entry_list_of({{"k", "v"}}));
  image[8] ^= 0xFF;  // wrong CRC
  write_file("/tmp/qd_nvram", image);
  EXPECT_EQ(get("k"), "v");
  remove_file("/tmp/nvram");
  image[0] = 'X';
  write_file("/tmp/qd_nvram", image);
  EXPECT_EQ(get("k"), "<null>");
  // A length beyond the file is bounded by the bytes present.
  image = image_of(entry_list_of({{"k", "v"}}));
  image[5] = 0x7F;
  write_file("/tmp/qd_nvram", image);
  EXPECT_EQ(get("k"), "v");
}

TEST_F(NvramTest, RegistryKeepsOneBufferPerKey) {
  set_settings({{"k", "1"}});
  const char* first = nvram_get("k");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(nvram_get("missing"), nullptr);
  EXPECT_STREQ(first, "1") << "a get that finds nothing leaves earlier buffers valid";
  const char* second = nvram_get("k");
  EXPECT_NE(first, second);
  nv_entry* entry = find_nv_entry("k");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->value, second);
  int records = 0;
  for (nv_entry* e = nv_entry_list; e; e = e->next) records += std::strcmp(e->name, "k") == 0;
  EXPECT_EQ(records, 1);
  EXPECT_EQ(find_nv_entry(nullptr), nullptr);
  EXPECT_EQ(add_nv_entry("x", nullptr), -1);
  EXPECT_EQ(add_nv_entry(nullptr, strdup("freed by the registry")), -1);
}

TEST_F(NvramTest, KeysThatCannotBeStoredAreRefused) {
  set_settings({{"a", "1"}});
  nvram_set("", "x");
  nvram_set("b=c", "x");
  EXPECT_EQ(read_file("/tmp/nvram"), entry_list_of({{"a", "1"}}));
  EXPECT_EQ(get("b"), "<null>");
}

TEST(EntryList, RebuildAlwaysTerminatesAndRoundTrips) {
  for (std::string_view data : {std::string_view(""), std::string_view("\0", 1), std::string_view("x=1", 3),
                                std::string_view("k=old\0\0junk", 11)}) {
    std::string list = entry_list::rebuild(data, "k", "v");
    ASSERT_GE(list.size(), 2u);
    EXPECT_EQ(list.substr(list.size() - 2), std::string("\0\0", 2));
    EXPECT_EQ(entry_list::find_value(list, "k"), "v");
  }
}

// 16 processes set 200 distinct keys each on one working copy while readers run beside them:
// no update is lost, and no reader ever sees an empty store.
TEST_F(NvramTest, ConcurrentSettersLoseNothingAndReadersNeverSeeEmpty) {
  set_settings({{"sentinel", "present"}});
  constexpr int kWriters = 16, kKeys = 200, kReaders = 3;
  std::vector<pid_t> writers, readers;
  for (int w = 0; w < kWriters; ++w) {
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      char key[32], value[32];
      for (int k = 0; k < kKeys; ++k) {
        std::snprintf(key, sizeof key, "w%d_k%d", w, k);
        std::snprintf(value, sizeof value, "%d", w * 1000 + k);
        nvram_set(key, value);
      }
      ::_exit(0);
    }
    writers.push_back(pid);
  }
  for (int r = 0; r < kReaders; ++r) {
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      // Runs until killed; exits 1 at the first read that misses the sentinel.
      for (;;) {
        const char* v = nvram_get_func("sentinel", "/tmp/nvram");
        if (!v || std::strcmp(v, "present") != 0) ::_exit(1);
      }
    }
    readers.push_back(pid);
  }
  for (pid_t pid : writers) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (pid_t pid : readers) {
    ::kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status)) << "a reader saw the store without its sentinel";
  }
  const std::string list = read_file("/tmp/nvram");
  int found = 0;
  for (int w = 0; w < kWriters; ++w)
    for (int k = 0; k < kKeys; ++k) {
      const std::string key = support::cat("w", w, "_k", k);
      auto value = entry_list::find_value(list, key);
      found += value && *value == std::to_string(w * 1000 + k);
    }
  EXPECT_EQ(found, kWriters * kKeys);
}

// True once process `pid` waits for a lock (a "->" line of /proc/locks), false when it has
// ended without waiting; its status is then in `status`.
bool waits_for_a_lock(pid_t pid, int& status) {
  for (;;) {
    std::ifstream locks("/proc/locks");
    for (std::string line; std::getline(locks, line);)
      if (line.find("->") != std::string::npos && line.find(support::cat(" ", pid, " ")) != std::string::npos)
        return true;
    if (::waitpid(pid, &status, WNOHANG) == pid) return false;
    ::usleep(1000);
  }
}

// A get takes the shared lock. While another process holds the exclusive lock with the list
// half rewritten (a value grown and the list cut behind it, or emptied), a get waits, then
// reads the key behind that value as the writer leaves it at the end.
TEST_F(NvramTest, GetWaitsWhileASetHoldsTheLock) {
  const std::string before = entry_list_of({{"grows", "1"}, {"behind", "kept"}});
  const std::string after = entry_list_of({{"grows", std::string(300, 'v')}, {"behind", "kept"}});
  struct Case {
    const char* name;
    std::string during;
  } cases[] = {
      {"cut inside the key behind", after.substr(0, after.size() - 8)},
      {"emptied", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    write_file("/tmp/nvram", before);
    int fd = ::open(host_path("/tmp/nvram").c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    ASSERT_EQ(::fcntl(fd, F_SETLK, &lock), 0);
    ASSERT_EQ(::pwrite(fd, c.during.data(), c.during.size(), 0), static_cast<ssize_t>(c.during.size()));
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(c.during.size())), 0);
    int result[2];
    ASSERT_EQ(::pipe(result), 0);
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      const std::string value = get("behind");
      ::_exit(::write(result[1], value.data(), value.size()) == static_cast<ssize_t>(value.size()) ? 0 : 1);
    }
    ::close(result[1]);
    int status = 0;
    bool waited = waits_for_a_lock(pid, status);
    EXPECT_TRUE(waited) << "the get read the list while a set held the lock";
    ASSERT_EQ(::pwrite(fd, after.data(), after.size(), 0), static_cast<ssize_t>(after.size()));
    ::close(fd);  // releases the lock
    char value[64] = {};
    ASSERT_GE(::read(result[0], value, sizeof value - 1), 0);
    ::close(result[0]);
    if (waited) {
      ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    }
    EXPECT_STREQ(value, "kept");
  }
}

// A writer keeps changing the length of the first value while gets read the key behind it,
// for half a second: every get finds that key whole.
TEST_F(NvramTest, KeyBehindAValueWhoseLengthKeepsChanging) {
  set_settings({{"changing", "x"}, {"behind", "kept"}});
  pid_t writer = ::fork();
  ASSERT_GE(writer, 0);
  if (writer == 0)
    for (size_t round = 0;; ++round) nvram_set("changing", std::string(round % 2 ? 60000 : 1, 'v').c_str());
  long reads = 0, misses = 0;
  for (auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
       std::chrono::steady_clock::now() < end; ++reads) {
    const char* value = nvram_get_func("behind", "/tmp/nvram");
    misses += !value || std::strcmp(value, "kept") != 0;
  }
  ::kill(writer, SIGKILL);
  ::waitpid(writer, nullptr, 0);
  EXPECT_EQ(misses, 0) << "in " << reads << " reads";
}

}  // namespace
