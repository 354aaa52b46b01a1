// Faults around the settings files: a full file system, a file-size limit, working copy or
// image that cannot be read or is damaged. Each ends in the documented result, without a
// crash, and nothing already stored is lost.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "gateway_fixture.h"
#include "nvram/image.h"
#include "nvram/nvram.h"

namespace {

constexpr int kSkip = 77;

const Settings kStored = {{"wifiSSIDNum", "2"}, {"wifiSSID[0]", "home"}, {"wifiWpapsk[0]", "secret99"}};

class FaultsTest : public GatewayTest {
 protected:
  // Runs `body` in a child process whose gateway /tmp is a tmpfs of `bytes`, in a mount
  // namespace of its own so that nobody else sees the mount; it goes away with the child.
  // The child's checks report through its exit status: 0 all held, else the failed step.
  void in_small_tmpfs(size_t bytes, const std::function<int()>& body) {
    std::fflush(nullptr);
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      std::string options = "size=" + std::to_string(bytes);
      if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
          ::mount("qd_rc_test", host_path("/tmp").c_str(), "tmpfs", 0, options.c_str()) != 0)
        ::_exit(kSkip);
      ::_exit(body());
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "child ended by signal " << WTERMSIG(status);
    if (WEXITSTATUS(status) == kSkip) GTEST_SKIP() << "needs root for a private tmpfs";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "failed at step " << WEXITSTATUS(status);
  }

  // Fills the file system that holds `gateway_path` until a write fails.
  void fill(const std::string& gateway_path) const {
    int fd = ::open(host_path(gateway_path).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    char block[512] = {};
    while (::write(fd, block, sizeof block) > 0) {
    }
    ::close(fd);
  }
};

TEST_F(FaultsTest, FullFileSystemLeavesTheWorkingCopyWhole) {
  in_small_tmpfs(64 * 1024, [&] {
    const std::string stored = entry_list_of(kStored);
    set_settings(kStored);
    set_image({{"big", std::string(16 * 1024, 'i')}});
    fill("/tmp/filler");
    // A set that needs more room than is left changes nothing.
    nvram_set("wifiSSID[1]", std::string(8 * 1024, 'x').c_str());
    if (read_file("/tmp/nvram") != stored) return 1;
    // The start-up load of an image larger than the free space does not cut the copy.
    if (nvram_load() != 0 || read_file("/tmp/nvram") != stored) return 2;
    // A set that fits in the space the list already has still goes through.
    nvram_set("wifiWpapsk[0]", "secret11");
    if (read_file("/tmp/nvram") != entry_list_of({{"wifiSSIDNum", "2"}, {"wifiSSID[0]", "home"},
                                                  {"wifiWpapsk[0]", "secret11"}}))
      return 3;
    const char* value = nvram_get("wifiSSID[0]");
    if (!value || std::string(value) != "home") return 4;
    // Room again: the set that failed now works.
    remove_file("/tmp/filler");
    nvram_set("wifiSSID[1]", "guest");
    value = nvram_get("wifiSSID[1]");
    if (!value || std::string(value) != "guest") return 5;
    return 0;
  });
}

TEST_F(FaultsTest, FileSizeLimitLeavesTheWorkingCopyWhole) {
  set_settings(kStored);
  const std::string stored = read_file("/tmp/nvram");
  struct rlimit old_limit;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit limit = old_limit;
  limit.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
  nvram_set("wifiSSID[1]", std::string(8 * 1024, 'x').c_str());
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &old_limit), 0);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_EQ(read_file("/tmp/nvram"), stored);
}

TEST_F(FaultsTest, UnusableSettingsFiles) {
  // Directories stand in for files that cannot be read (root reads any file).
  struct Case {
    const char* name;
    std::function<void()> arrange;
    int load_result;
    const char* ssid;  // what a get of wifiSSID[0] gives afterwards, null for nothing
  } cases[] = {
      {"both missing", [] {}, 1, nullptr},
      {"working copy a directory, image sound",
       [this] {
         ::mkdir(host_path("/tmp/nvram").c_str(), 0700);
         set_image(kStored);
       },
       0, "home"},
      {"image a directory",
       [this] {
         set_settings(kStored);
         ::mkdir(host_path("/tmp/qd_nvram").c_str(), 0700);
       },
       -1, "home"},
      {"image a dangling link",
       [this] {
         set_settings(kStored);
         ::symlink("/nonexistent/qd_nvram", host_path("/tmp/qd_nvram").c_str());
       },
       1, "home"},
      {"image cut in its data",
       [this] {
         set_settings(kStored);
         std::string image = image_of(entry_list_of({{"wifiSSID[0]", "other"}}));
         write_file("/tmp/qd_nvram", image.substr(0, image.size() - 3));
       },
       4, "home"},
      {"working copy without terminator",
       [this] { write_file("/tmp/nvram", std::string("wifiSSID[0]=home\0junk", 21)); }, 1, "home"},
      {"working copy of random bytes",
       [this] { write_file("/tmp/nvram", std::string("\xff=\x01\0\0\0=\0wifiSSID[0]=x", 20)); }, 1,
       nullptr},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    c.arrange();
    testing::internal::CaptureStdout();
    int result = nvram_load();
    testing::internal::GetCapturedStdout();
    if (c.load_result >= 0) {
      EXPECT_EQ(result, c.load_result);
    }
    const char* ssid = nvram_get("wifiSSID[0]");
    if (c.ssid) {
      EXPECT_STREQ(ssid, c.ssid);
    } else {
      EXPECT_EQ(ssid, nullptr);
    }
    // A set afterwards leaves a well-formed working copy that holds it, or (a directory in
    // its place) changes nothing and reports nothing.
    EXPECT_EQ(nvram_set("wifiSSID[1]", "guest"), 0);
    std::string after = read_file("/tmp/nvram");
    struct stat st;
    if (::stat(host_path("/tmp/nvram").c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
      EXPECT_GE(after.size(), 2u);
      EXPECT_TRUE(after.ends_with(std::string("\0\0", 2)));
      EXPECT_STREQ(nvram_get("wifiSSID[1]"), "guest");
    }
  }
}

}  // namespace
