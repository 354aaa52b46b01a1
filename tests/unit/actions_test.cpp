// Special actions: the driver commands of each WPS action word, the WPS gate, return values,
// letter case, hostile PINs, and every command line of `qd_rc wlan` on an empty and a
// realistic store.
#include "rc/actions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gateway_fixture.h"
#include "hostile.h"
#include "nvram/nvram.h"
#include "nvram/uci.h"
#include "platform/fake.h"
#include "run.h"

namespace {

using Lines = std::vector<std::string>;

const Settings kWpsOn = {{"wifiWpsEnable", "1"},
                         {"wifiRadioOnOff", "1"},
                         {"wifiIFOn[0]", "1"},
                         {"wifiWpsDevPIN", "12345670"},
                         {"wifiWpsStaPIN", "87654321"}};

class SpecialActionTest : public GatewayTest {
 protected:
  void SetUp() override {
    GatewayTest::SetUp();
    write_file("/dev/gpio", "");
  }
  int action(std::vector<std::string> words) {
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    testing::internal::CaptureStdout();
    int result = wlan_sp_fun(static_cast<int>(words.size()), argv.data(), 0);
    testing::internal::GetCapturedStdout();
    return result;
  }
};

TEST_F(SpecialActionTest, EachWpsActionIssuesItsDriverCommands) {
  const std::string vendor = "/bin/iwpriv ra0 set WscVendorPinCode=12345670";
  const std::string mode0 = "/bin/iwpriv ra0 set WscConfMode=0", mode7 = "/bin/iwpriv ra0 set WscConfMode=7";
  const std::string status1 = "/bin/iwpriv ra0 set WscConfStatus=1";
  const std::string status2 = "/bin/iwpriv ra0 set WscConfStatus=2";
  const std::string get1 = "/bin/iwpriv ra0 set WscGetConf=1";
  const Lines pbc = {vendor, mode7, status2, "/bin/iwpriv ra0 set WscMode=2", get1};
  struct Case {
    const char* word;
    Lines commands;
  } cases[] = {
      {"addER", {vendor, mode7, status2}},
      {"clientPIN",
       {"/bin/iwpriv ra0 set WscPinCode=87654321", mode7, status2, "/bin/iwpriv ra0 set WscMode=1", get1}},
      {"clientPBC", pbc},
      {"wps_config", {status2}},
      {"clientPBC_config", pbc},
      {"unconfig", {vendor, mode0, mode7, status1}},
      {"wps_clean", {vendor, mode0}},
      {"wps_reset", {vendor, mode0, mode7}},
      {"CLIENTpbc", pbc},
      {"Wps_Clean", {vendor, mode0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.word);
    set_settings(kWpsOn);
    clear_shell_lines();
    EXPECT_EQ(action({"qd_rc", "wlan", c.word}), 0);
    EXPECT_EQ(commands(), c.commands);
  }
}

TEST_F(SpecialActionTest, StationPinFallsBackToTheDefault) {
  for (const char* sta_pin :
       std::initializer_list<const char*>{"", "1234567", "123456789", "x2345678", nullptr}) {
    SCOPED_TRACE(sta_pin ? sta_pin : "missing");
    Settings settings = {kWpsOn.begin(), kWpsOn.end() - 1};
    if (sta_pin) settings.emplace_back("wifiWpsStaPIN", sta_pin);
    set_settings(settings);
    clear_shell_lines();
    action({"qd_rc", "wlan", "clientPIN"});
    ASSERT_FALSE(commands().empty());
    EXPECT_EQ(commands()[0], "/bin/iwpriv ra0 set WscPinCode=31756044");
  }
}

TEST_F(SpecialActionTest, ResultsAndTheWpsGate) {
  struct Case {
    const char* name;
    Settings settings;
    std::vector<std::string> words;
    int result;
    size_t commands;
  } cases[] = {
      {"two words", kWpsOn, {"qd_rc", "wlan"}, 1, 0},
      {"no such action", kWpsOn, {"qd_rc", "wlan", "frobnicate"}, 1, 0},
      {"show's name for wps_init", kWpsOn, {"qd_rc", "wlan", "init_wps"}, 1, 0},
      {"prefix of an action", kWpsOn, {"qd_rc", "wlan", "client"}, 1, 0},
      {"extra word", kWpsOn, {"qd_rc", "wlan", "wps_config", "more"}, 0, 1},
      {"mac_init, no MAC", kWpsOn, {"qd_rc", "wlan", "mac_init"}, 1, 0},
      {"WPS off: clientPBC", {}, {"qd_rc", "wlan", "clientPBC"}, 1, 0},
      {"WPS off: wps_change", {}, {"qd_rc", "wlan", "wps_change"}, 1, 0},
      {"WPS off: wpsled_on", {}, {"qd_rc", "wlan", "wpsled_on"}, 1, 0},
      {"radio off", {kWpsOn.begin() + 2, kWpsOn.end()}, {"qd_rc", "wlan", "addER"}, 1, 0},
      {"WPS switch off", merged(kWpsOn, {{"wifiWpsEnable", "0"}}), {"qd_rc", "wlan", "clientPBC"}, 1, 0},
      {"SSID 0 off", merged(kWpsOn, {{"wifiIFOn[0]", "0"}}), {"qd_rc", "wlan", "wpsled_on"}, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    set_settings(c.settings);
    write_file("/dev/urandom", std::string(4096, 'a'));
    clear_shell_lines();
    fake::sys().ioctls.clear();
    EXPECT_EQ(action(c.words), c.result);
    EXPECT_EQ(commands().size(), c.commands);
    EXPECT_TRUE(fake::sys().ioctls.empty());
    EXPECT_EQ(read_file("/tmp/nvram"), entry_list_of(c.settings));
  }
}

TEST_F(SpecialActionTest, RestartAndMacInitWorkWithWpsOffAndReturnOne) {
  fake::sys().interfaces["ra0"] = {0, 0, 0, 0, 0, 1};
  set_settings({{"wifiMacAddr", "00:00:00:00:00:02"}});
  EXPECT_EQ(action({"qd_rc", "wlan", "MAC_INIT"}), 1);
  EXPECT_EQ(commands().size(), 5u);
  for (const Settings& settings : {Settings{}, kWpsOn}) {
    set_settings(settings);
    clear_shell_lines();
    EXPECT_EQ(action({"qd_rc", "wlan", "restart"}), 1);
    EXPECT_EQ(commands().back(),
              settings.empty() ? "/bin/echo 0 > /proc/qd_ledon" : "/bin/echo 1 > /proc/qd_ledon");
  }
}

TEST_F(SpecialActionTest, LedActionsSendTheirPatterns) {
  struct Case {
    const char* word;
    uint32_t on_time;
  } cases[] = {{"wpsled_on", 2}, {"wpsled_off", 0}, {"WPSLED_SUCCESS", 4000}};
  set_settings(kWpsOn);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.word);
    fake::sys().ioctls.clear();
    EXPECT_EQ(action({"qd_rc", "wlan", c.word}), 0);
    ASSERT_EQ(fake::sys().ioctls.size(), 1u);
    EXPECT_EQ(fake::sys().ioctls[0].words[0], 0u);
    EXPECT_EQ(fake::sys().ioctls[0].words[1], c.on_time);
  }
}

TEST_F(SpecialActionTest, WpsChangeAndWpsInit) {
  set_settings(kWpsOn);
  write_file("/dev/urandom", std::string(4096, '7'));
  EXPECT_EQ(action({"qd_rc", "wlan", "wps_change"}), 0);
  EXPECT_TRUE(commands().empty());
  EXPECT_EQ(std::string(uci_safe_get_n("wifiWpapsk", 0)).find_first_not_of('7'), std::string::npos);
  EXPECT_EQ(std::string(nvram_get("wifiWpsState")), "1");
  clear_shell_lines();
  EXPECT_EQ(action({"qd_rc", "wlan", "wps_init"}), 0);
  // Now configured (wps_change set the state), with an open bare wifiAuth: PIN, then the UPnP side down.
  EXPECT_EQ(commands().front(), "/bin/iwpriv ra0 set WscVendorPinCode=12345670");
  EXPECT_EQ(commands().back(), "/bin/iwpriv ra0 set WscGetConf=0");
}

TEST_F(SpecialActionTest, HostilePinsReachTheDriverAsOneArgument) {
  const std::string canary = host_path("/canary");
  for (const std::string& pin : support::hostile_pins(canary)) {
    SCOPED_TRACE(pin);
    set_settings({kWpsOn[0], kWpsOn[1], kWpsOn[2], {"wifiWpsDevPIN", pin}, {"wifiWpsStaPIN", pin}});
    clear_shell_lines();
    action({"qd_rc", "wlan", "addER"});
    action({"qd_rc", "wlan", "clientPIN"});
    ASSERT_EQ(commands().size(), 8u);
    EXPECT_EQ(support::shell_words(commands()[0]),
              (Lines{"/bin/iwpriv", "ra0", "set", "WscVendorPinCode=" + pin}));
    EXPECT_EQ(support::shell_words(commands()[3]), (Lines{"/bin/iwpriv", "ra0", "set", "WscPinCode=" + pin}));
    EXPECT_FALSE(file_exists("/canary"));
  }
  // Ordinary PINs give the lines byte for byte.
  set_settings(kWpsOn);
  clear_shell_lines();
  action({"qd_rc", "wlan", "addER"});
  EXPECT_EQ(shell_lines()[0], "/bin/iwpriv ra0 set WscVendorPinCode=12345670 >/dev/console 2>&1");
}

// Glob characters in a PIN stay literal in the shell even beside files that they would match.
TEST_F(SpecialActionTest, GlobPinsStayLiteralBesideMatchingFiles) {
  set_settings(merged(kWpsOn, {{"wifiWpsDevPIN", "12345678*"}, {"wifiWpsStaPIN", "12345678?"}}));
  write_file("/WscVendorPinCode=12345678-matches", "");
  write_file("/WscPinCode=12345678x", "");
  action({"qd_rc", "wlan", "addER"});
  action({"qd_rc", "wlan", "clientPIN"});
  ASSERT_EQ(commands().size(), 8u);
  EXPECT_EQ(support::shell_words(commands()[0], root_->path()),
            (Lines{"/bin/iwpriv", "ra0", "set", "WscVendorPinCode=12345678*"}));
  EXPECT_EQ(support::shell_words(commands()[3], root_->path()),
            (Lines{"/bin/iwpriv", "ra0", "set", "WscPinCode=12345678?"}));
}

// Every command line of `qd_rc wlan`, as the gateway's software may send it, on an empty
// store and on a realistic one: the process ends normally with status 0, every shell line
// keeps the settings' values as quoted words, and the working copy stays a sound list.
TEST_F(SpecialActionTest, EveryCommandLineRunsOnEmptyAndRealisticStores) {
  const Settings realistic = {{"wifiSSIDNum", "4"},
                              {"wifiRadioOnOff", "1"},
                              {"wifiIFOn[0]", "1"},
                              {"wifiIFOn[1]", "1"},
                              {"wifiIFOn[3]", "1"},
                              {"wifiWpsEnable", "1"},
                              {"wifiWpsState", "0"},
                              {"wifiWpsMode", "ap-er"},
                              {"wifiAuth", "0"},
                              {"wifiAuth[0]", "5"},
                              {"wifiAuth[2]", "6"},
                              {"wifiEnc[0]", "3"},
                              {"wifiBssid[0]", "home"},
                              {"wifiWpapsk[0]", "secret12"},
                              {"wifiWpsDevPIN", "12345670"},
                              {"wifiWpsStaPIN", "87654321"},
                              {"wifiMacAddr", "00:11:22:33:44:55"},
                              {"lanConnIp4[2]", "192.168.1.1"},
                              {"lanConnMask4[2]", "255.255.255.0"}};
  // Every action word, two that are none ("init_wps" is only the help text's name), no word.
  std::vector<std::string> words = support::action_words();
  words.insert(words.end(), {"init_wps", "bogus", ""});
  support::run_children_in_process();
  fake::sys().interfaces["ra0"] = {0, 0x11, 0x22, 0x33, 0x44, 0x66};
  for (const Settings& store : {Settings{}, realistic}) {
    for (const std::string& word : words) {
      SCOPED_TRACE(std::string(store.empty() ? "empty: " : "realistic: ") + word);
      set_settings(store);
      write_file("/dev/urandom", std::string(4096, 'z'));
      testing::internal::CaptureStdout();
      testing::internal::CaptureStderr();
      clear_shell_lines();
      EXPECT_EQ(support::run_qd_rc({"qd_rc", "wlan", word}), 0);
      testing::internal::GetCapturedStdout();
      testing::internal::GetCapturedStderr();
      for (const std::string& line : shell_lines()) EXPECT_EQ(support::unquoted_hazard(line), "") << line;
      EXPECT_TRUE(support::well_formed_list(read_file("/tmp/nvram")));
    }
  }
}

}  // namespace
