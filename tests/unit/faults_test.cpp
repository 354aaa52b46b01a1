// Faults around the settings files: a full file system, a file-size limit, working copy or
// image that cannot be read or is damaged. Each ends in the documented result, without a
// crash, and nothing already stored is lost.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>

#include "gateway_fixture.h"
#include "nvram/entry_list.h"
#include "nvram/file_bin.h"
#include "nvram/image.h"
#include "nvram/load.h"
#include "nvram/nvram.h"
#include "platform/fake.h"
#include "run.h"

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
    if (read_file("/tmp/nvram") !=
        entry_list_of({{"wifiSSIDNum", "2"}, {"wifiSSID[0]", "home"}, {"wifiWpapsk[0]", "secret11"}}))
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

// A set refused for want of room leaves the working copy whole and no record behind: the limit
// lets the record (its new bytes) be written, not the store's growth.
TEST_F(FaultsTest, FileSizeLimitLeavesTheWorkingCopyWhole) {
  const support::Store middle = support::make_store(16 * 1024);
  struct Case {
    const char* name;
    Settings settings;
    std::string key;
    size_t value_size, limit;
  };
  const Case cases[] = {
      {"a new key", kStored, "wifiSSID[1]", 8 * 1024, 4096},
      {"a value halfway that grows the store", middle.settings,
       middle.settings[middle.settings.size() / 2].first, 12 * 1024, 24 * 1024},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    set_settings(c.settings);
    const std::string stored = read_file("/tmp/nvram");
    struct rlimit old_limit;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old_limit), 0);
    auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = old_limit;
    limit.rlim_cur = c.limit;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    nvram_set(c.key.c_str(), std::string(c.value_size, 'x').c_str());
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &old_limit), 0);
    std::signal(SIGXFSZ, old_handler);
    EXPECT_EQ(read_file("/tmp/nvram"), stored);
    EXPECT_FALSE(file_exists("/tmp/nvram.redo"));
  }
}

// A torn list that cannot be finished for want of room keeps its record and takes no set; with
// room again, the next set finishes it and then writes its own value.
TEST_F(FaultsTest, ATearThatCannotBeFinishedKeepsItsRecordUntilThereIsRoom) {
  in_small_tmpfs(64 * 1024, [&] {
    const support::Change change = support::Change::of(std::string(600, 'g'));
    const std::string torn = change.torn(change.to_page(1));
    // As a file system without reserved space leaves it: past the old end, a hole.
    write_file("/tmp/nvram", torn.substr(0, change.old_list.size()));
    if (::truncate(host_path("/tmp/nvram").c_str(), static_cast<off_t>(torn.size())) != 0) return 1;
    write_file("/tmp/nvram.redo", change.record());
    fill("/tmp/filler");
    ::testing::internal::CaptureStderr();
    nvram_set("wifiSSID[0]", "home");
    std::string said = ::testing::internal::GetCapturedStderr();
    if (said.find("qd_rc: keeping /tmp/nvram.redo") != 0) return 2;
    if (read_file("/tmp/nvram") != torn || !file_exists("/tmp/nvram.redo")) return 3;
    remove_file("/tmp/filler");
    nvram_set("wifiSSID[0]", "home");
    if (read_file("/tmp/nvram") != entry_list::rebuild(change.new_list, "wifiSSID[0]", "home")) return 4;
    return file_exists("/tmp/nvram.redo") ? 5 : 0;
  });
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
      {"working copy a FIFO, image sound",
       [this] {
         ::mkfifo(host_path("/tmp/nvram").c_str(), 0600);
         set_image(kStored);
       },
       -1, "home"},
      {"image a FIFO",
       [this] {
         set_settings(kStored);
         ::mkfifo(host_path("/tmp/qd_nvram").c_str(), 0600);
       },
       1, "home"},
      {"working copy of random bytes",
       [this] { write_file("/tmp/nvram", std::string("\xff=\x01\0\0\0=\0wifiSSID[0]=x", 20)); }, 1, nullptr},
  };
  // A FIFO in a file's place must not hang the process: the whole case has 20 seconds.
  ::alarm(20);
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
    struct stat st;
    if (::stat(host_path("/tmp/nvram").c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
      std::string after = read_file("/tmp/nvram");
      EXPECT_GE(after.size(), 2u);
      EXPECT_TRUE(after.ends_with(std::string("\0\0", 2)));
      EXPECT_STREQ(nvram_get("wifiSSID[1]"), "guest");
    }
  }
  ::alarm(0);
}

}  // namespace

namespace {

// A gateway on which start, wps_change and the LED do their whole work.
const Settings kGateway = {{"wifiSSIDNum", "2"},
                           {"wifiRadioOnOff", "1"},
                           {"wifiIFOn[0]", "1"},
                           {"wifiWpsEnable", "1"},
                           {"wifiWpsState", "1"},
                           {"wifiWpsMode", "1"},
                           {"wifiAuth[0]", "7"},
                           {"wifiBssid[0]", "home"},
                           {"wifiWpapsk[0]", "secret99"},
                           {"lanConnIp4[2]", "192.168.0.1"},
                           {"lanConnMask4[2]", "255.255.255.0"},
                           {"wifiMacAddr", "00:11:22:33:44:56"}};

class RunFaultsTest : public FaultsTest {
 protected:
  void SetUp() override {
    FaultsTest::SetUp();
    ::symlink("/dev/urandom", host_path("/dev/urandom").c_str());
    write_file("/dev/gpio", "");
    fake::sys().interfaces["ra0"] = {0x00, 0x0c, 0x43, 0x30, 0x52, 0x77};
    set_settings(kGateway);
  }

  // Runs `qd_rc wlan <action>` (children in this process unless `children` is false) and
  // gives its shell lines; the exit status must be 0 whatever the fault.
  std::vector<std::string> run_action(const char* action, bool children = true) {
    if (children)
      support::run_children_in_process();
    else
      fake::sys().on_shell = nullptr;
    clear_shell_lines();
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(support::run_qd_rc({"qd_rc", "wlan", action}), 0) << action;
    stdout_ = testing::internal::GetCapturedStdout();
    stderr_ = testing::internal::GetCapturedStderr();
    return commands();
  }

  std::string stdout_, stderr_;
};

bool is_subsequence(const std::vector<std::string>& part, const std::vector<std::string>& whole) {
  size_t i = 0;
  for (const std::string& line : whole)
    if (i < part.size() && part[i] == line) ++i;
  return i == part.size();
}

TEST_F(RunFaultsTest, MissingFoldersAndRecordsLeaveTheCommandsAsTheyAre) {
  const std::vector<std::string> normal = run_action("start");
  ASSERT_TRUE(file_exists("/etc/Wireless/RT2860/RT2860.dat"));
  struct Case {
    const char* name;
    std::function<void()> arrange;
  } cases[] = {
      {"profile folder is a file",
       [this] {
         remove_file("/etc/Wireless/RT2860/RT2860.dat");
         ::rmdir(host_path("/etc/Wireless/RT2860").c_str());
         ::rmdir(host_path("/etc/Wireless").c_str());
         write_file("/etc/Wireless", "not a folder");
       }},
      {"profile is a folder",
       [this] {
         remove_file("/etc/Wireless/RT2860/RT2860.dat");
         ::mkdir(host_path("/etc/Wireless/RT2860/RT2860.dat").c_str(), 0755);
       }},
      {"command record is a folder", [this] { ::mkdir(host_path("/etc/cmd_agent").c_str(), 0755); }},
      {"no /etc at all", [this] { ::system(("rm -rf " + host_path("/etc")).c_str()); }},
      {"working copy missing, image sound",
       [this] {
         remove_file("/tmp/nvram");
         set_image(kGateway);
       }},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    c.arrange();
    EXPECT_EQ(run_action("start"), normal);
    EXPECT_EQ(read_file("/tmp/nvram"), entry_list_of(kGateway));
  }
}

TEST_F(RunFaultsTest, UnusableDevicesChangeNoSetting) {
  struct Case {
    const char* name;
    const char* action;
    std::function<void()> arrange;
    const char* message;  // on standard output or error
  } cases[] = {
      {"random device missing", "wps_change", [this] { remove_file("/dev/urandom"); },
       "Could not open /dev/urandom"},
      {"random device of zero bytes", "wps_change",
       [this] {
         remove_file("/dev/urandom");
         write_file("/dev/urandom", std::string(64 * 1024, '\0'));
       },
       ""},
      {"random device empty", "wps_change",
       [this] {
         remove_file("/dev/urandom");
         write_file("/dev/urandom", "");
       },
       ""},
      {"GPIO device missing", "wpsled_on", [this] { remove_file("/dev/gpio"); }, "/dev/gpio"},
      {"GPIO device a folder", "wpsled_success",
       [this] {
         remove_file("/dev/gpio");
         ::mkdir(host_path("/dev/gpio").c_str(), 0755);
         fake::sys().ioctl_result = -1;
       },
       "ioctl"},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    c.arrange();
    run_action(c.action);
    EXPECT_EQ(read_file("/tmp/nvram"), entry_list_of(kGateway));
    EXPECT_NE((stdout_ + stderr_).find(c.message), std::string::npos) << stdout_ << stderr_;
  }
}

TEST_F(RunFaultsTest, FailedChildLeavesTheParentsStepsInPlace) {
  const std::vector<std::string> normal = run_action("start");
  // The child "/sbin/qd_rc wlan mac_init" does nothing at all, as one that fails at once.
  const std::vector<std::string> without_child = run_action("start", false);
  EXPECT_LT(without_child.size(), normal.size());
  EXPECT_TRUE(is_subsequence(without_child, normal));
  EXPECT_EQ(without_child.back(), normal.back());
  EXPECT_EQ(read_file("/tmp/nvram"), entry_list_of(kGateway));
}

}  // namespace
