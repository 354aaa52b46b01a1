// Start and stop of the access point: whole command transcripts (children included) for the
// SSID layouts, 802.1X, radio off and the LED, and LAN values that are no address.
#include "rc/lifecycle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "gateway_fixture.h"
#include "hostile.h"
#include "platform/fake.h"
#include "platform/paths.h"
#include "run.h"
#include "wlan/driver.h"

namespace {

using Lines = std::vector<std::string>;

std::string joined(const Lines& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

class LifecycleTest : public GatewayTest {
 protected:
  void SetUp() override {
    GatewayTest::SetUp();
    support::run_children_in_process();
  }

  // The commands of `qd_rc wlan start` from the MAC child on; before it only the profile
  // writer may have run its own commands.
  Lines start() {
    testing::internal::CaptureStdout();
    EXPECT_EQ(support::run_qd_rc({"qd_rc", "wlan", "start"}), 0);
    testing::internal::GetCapturedStdout();
    Lines all = commands();
    auto mac_init = std::find(all.begin(), all.end(), driver::kSelfMacInit);
    EXPECT_NE(mac_init, all.end());
    for (auto it = all.begin(); it != mac_init; ++it) EXPECT_EQ(*it, driver::kMkdirProfileDir);
    return Lines(mac_init, all.end());
  }
};

TEST_F(LifecycleTest, StartTranscripts) {
  // A settings file of tests/data/settings, shared with the end-to-end test (tests/e2e/start.sh),
  // which runs these cases with the real binary and holds it to the same transcripts.
  auto shared = [](const std::string& name) {
    return support::settings_file(support::test_data_path("settings/" + name + ".settings"));
  };
  struct Case {
    const char* golden;
    Settings settings;
  } cases[] = {
      {"wlan_start_n0.cmds", {}},
      {"wlan_start_n1.cmds", {{"wifiSSIDNum", "1"}, {"wifiRadioOnOff", "1"}, {"wifiIFOn[0]", "1"}}},
      {"wlan_start_n2.cmds",
       {{"wifiSSIDNum", "2"}, {"wifiRadioOnOff", "1"}, {"wifiIFOn[0]", "1"}, {"wifiIFOn[1]", "0"}}},
      {"wlan_start_radio_off.cmds",
       {{"wifiSSIDNum", "3"},
        {"wifiRadioOnOff", "0"},
        {"wifiIFOn[0]", "1"},
        {"wifiIFOn[1]", "1"},
        {"wifiIFOn[2]", "1"},
        {"wifiWpsEnable", "1"}}},
      {"wlan_start_realistic.cmds", shared("realistic")},
      {"wlan_start_ap_er.cmds", shared("one_ssid_ap_er")},
  };
  fake::sys().interfaces["ra0"] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x66};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.golden);
    set_settings(c.settings);
    clear_shell_lines();
    EXPECT_TRUE(SameLines(test_data(c.golden), joined(start())));
  }
}

TEST_F(LifecycleTest, Dot1xAtTheFirstSsidThatNeedsIt) {
  struct Case {
    const char* auth0;
    const char* auth1;
    bool dot1x;
  } cases[] = {
      {"3", "", true},  {"6", "6", true},  {"7", "0", true},  {"0", "3", true},   {"5", "7abc", true},
      {"0", "", false}, {"1", "2", false}, {"4", "5", false}, {"8", "-3", false}, {"", "x7", false},
  };
  const Lines dot1x = {"/sbin/ifconfig br0 192.168.0.254", "/sbin/route add default gw 192.168.0.1",
                       "/bin/rt2860apd"};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.auth0) + "," + c.auth1);
    set_settings({{"wifiSSIDNum", "2"},
                  {"wifiAuth[0]", c.auth0},
                  {"wifiAuth[1]", c.auth1},
                  {"lanConnIp4[2]", "192.168.0.1"},
                  {"lanConnMask4[2]", "255.255.255.0"}});
    clear_shell_lines();
    Lines lines = start();
    auto igmp = std::find(lines.begin(), lines.end(), driver::kIgmpSnoop);
    ASSERT_NE(igmp, lines.end());
    Lines tail(igmp + 1, lines.end());
    Lines expected = c.dot1x ? dot1x : Lines{};
    expected.push_back(driver::kLedFileOff);
    EXPECT_EQ(tail, expected);
  }
}

// LAN values that are no address, or an address with text after it, in the 802.1X case: br0
// gets an address only when inet_aton reads one, and the route command gets the value whole as
// one word (route, which also reads it with inet_aton, then goes through the same address).
TEST_F(LifecycleTest, Dot1xWithHostileOrUnusableLan) {
  const std::string canary = host_path("/canary");
  struct Case {
    std::string lan;
    const char* br0;  // null: no address, and the message
  };
  std::vector<Case> cases = {{"", nullptr},
                             {"192.168.0.1;reboot", nullptr},
                             {"192.168.0", "192.168.0.254"},
                             {"192.168.0.1 ", "192.168.0.254"}};
  // Each begins with 12345678 (0.188.97.78); white space after it ends the address.
  for (const std::string& pin : support::hostile_pins(canary))
    cases.push_back({pin, pin[8] == ' ' || pin[8] == '\n' ? "0.188.97.254" : nullptr});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lan);
    set_settings({{"wifiSSIDNum", "1"},
                  {"wifiAuth[0]", "6"},
                  {"lanConnIp4[2]", c.lan},
                  {"lanConnMask4[2]", "255.255.255.0"}});
    clear_shell_lines();
    testing::internal::CaptureStderr();
    Lines lines = start();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              c.br0 ? "" : "qd_rc: lanConnIp4[2]/lanConnMask4[2] is not an IPv4 address\n");
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[lines.size() - 2], "/bin/rt2860apd");
    const std::string route = lines[lines.size() - 3];
    Lines expected_words = {"/sbin/route", "add", "default", "gw"};
    if (!c.lan.empty()) expected_words.push_back(c.lan);
    EXPECT_EQ(support::shell_words(route), expected_words) << route;
    EXPECT_EQ(lines[lines.size() - 4],
              c.br0 ? std::string("/sbin/ifconfig br0 ") + c.br0 : driver::kIgmpSnoop);
    EXPECT_FALSE(file_exists("/canary"));
  }
  // A missing address leaves the line as it always was.
  set_settings({{"wifiSSIDNum", "1"}, {"wifiAuth[0]", "6"}});
  clear_shell_lines();
  testing::internal::CaptureStderr();
  Lines lines = start();
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(lines[lines.size() - 3], "/sbin/route add default gw ");
}

TEST_F(LifecycleTest, StopTakesTheRadioDown) {
  set_settings({{"wifiSSIDNum", "3"}});
  EXPECT_EQ(support::run_qd_rc({"qd_rc", "wlan", "stop"}), 0);
  EXPECT_TRUE(SameLines(test_data("wlan_stop_n3.cmds"), joined(commands())));
}

TEST_F(LifecycleTest, RestartIsStopThenStartWhateverTheCase) {
  set_settings({{"wifiSSIDNum", "1"}});
  wlan_stop();
  Lines expected = commands();
  clear_shell_lines();
  const Lines started = start();
  expected.insert(expected.end(), started.begin(), started.end());
  for (std::vector<std::string> words : {std::vector<std::string>{"qd_rc", "wlan", "restart"},
                                         {"qd_rc", "wlan", "RESTART"},
                                         {"qd_rc", "wlan", "Restart", "extra"}}) {
    SCOPED_TRACE(words[2]);
    clear_shell_lines();
    testing::internal::CaptureStdout();
    EXPECT_EQ(support::run_qd_rc(words), 0);
    testing::internal::GetCapturedStdout();
    Lines lines = commands();
    lines.erase(std::remove(lines.begin(), lines.end(), driver::kMkdirProfileDir), lines.end());
    EXPECT_EQ(lines, expected);
  }
}

}  // namespace

namespace {

TEST_F(LifecycleTest, AnSsidCountBeyondTheRadioIsCappedAndReportedOnce) {
  set_settings({{"wifiSSIDNum", "100000"}});
  std::filesystem::create_directories(host_path(paths::kProfileDir));
  testing::internal::CaptureStderr();
  EXPECT_EQ(support::run_qd_rc({"qd_rc", "wlan", "restart"}), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "qd_rc: wifiSSIDNum 100000 is more than 16 SSIDs; using 16\n");
  const Lines lines = commands();
  EXPECT_LT(lines.size(), 200u);
  EXPECT_NE(std::find(lines.begin(), lines.end(), "/usr/sbin/brctl addbr br16"), lines.end());
  EXPECT_EQ(std::find(lines.begin(), lines.end(), "/sbin/ifconfig ra16 down"), lines.end());
  const std::string profile = read_file(paths::kProfile);
  EXPECT_NE(profile.find("\nBssidNum=100000\n"), std::string::npos)
      << "the count itself is written as stored";
  EXPECT_NE(profile.find("\nAccessPolicy3=0\nAccessControlList3=\n"), std::string::npos);
}

}  // namespace
