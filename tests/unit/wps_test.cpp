// WPS set-up: the driver commands and UPnP side of each condition, the wscd record for the
// command agent, an unusable LAN address, and PINs that must not reach the shell as syntax.
#include "wps/wps.h"
#include "wlan/queries.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "gateway_fixture.h"
#include "hostile.h"
#include "platform/fake.h"
#include "platform/paths.h"
#include "run.h"

namespace {

using Lines = std::vector<std::string>;

const Settings kWpsOn = {
    {"wifiWpsEnable", "1"},        {"wifiRadioOnOff", "1"},          {"wifiIFOn[0]", "1"},
    {"wifiWpsDevPIN", "12345670"}, {"lanConnIp4[2]", "192.168.0.1"}, {"lanConnMask4[2]", "255.255.255.0"}};

const Lines kStartUpnp = {
    "/usr/bin/killall -9 wscd",          "/sbin/ifconfig lo up",
    "/sbin/ifconfig br0 192.168.0.254",  "/sbin/route add -host 239.255.255.250 dev br0",
    "/bin/iwpriv ra0 set WscConfMode=7", "/bin/iwpriv ra0 set WscConfStatus=1",
    "/bin/iwpriv ra0 set WscGetConf=1"};
const Lines kStopUpnp = {"/sbin/ifconfig lo down", "/sbin/route delete 239.255.255.250",
                         "/usr/bin/killall -9 wscd", "/bin/iwpriv ra0 set WscGetConf=0"};
const std::string kPinLine = "/bin/iwpriv ra0 set WscVendorPinCode=12345670";

Lines join(std::initializer_list<Lines> parts) {
  Lines all;
  for (const Lines& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

class InitWpsTest : public GatewayTest {
 protected:
  void SetUp() override {
    GatewayTest::SetUp();
    support::run_children_in_process();
  }
};

TEST_F(InitWpsTest, EachConditionIssuesItsCommands) {
  const Lines unconfig_child = {"/sbin/qd_rc wlan unconfig", kPinLine, "/bin/iwpriv ra0 set WscConfMode=0",
                                "/bin/iwpriv ra0 set WscConfMode=7", "/bin/iwpriv ra0 set WscConfStatus=1"};
  const Lines add_er_child = {"/sbin/qd_rc wlan addER", kPinLine, "/bin/iwpriv ra0 set WscConfMode=7",
                              "/bin/iwpriv ra0 set WscConfStatus=2"};
  const Lines off = {"/bin/iwpriv ra0 set WscConfMode=0"};
  struct Case {
    const char* name;
    Settings settings;
    Lines commands;
  } cases[] = {
      {"empty store", {}, off},
      {"radio off", merged(kWpsOn, {{"wifiRadioOnOff", "0"}}), off},
      {"radio 01 counts as off", merged(kWpsOn, {{"wifiRadioOnOff", "01"}}), off},
      {"WPS switched off", merged(kWpsOn, {{"wifiWpsEnable", "0"}}), off},
      {"first SSID off", merged(kWpsOn, {{"wifiIFOn[0]", "0"}}), off},
      {"unconfigured, auth missing", kWpsOn, join({{kPinLine}, kStartUpnp, unconfig_child})},
      {"unconfigured, auth 2, state 0", merged(kWpsOn, {{"wifiAuth", "2"}, {"wifiWpsState", "0"}}),
       join({{kPinLine}, kStartUpnp, unconfig_child})},
      {"configured ap-er",
       merged(kWpsOn, {{"wifiAuth", "5"}, {"wifiWpsState", "1"}, {"wifiWpsMode", "ap-er"}}),
       join({{kPinLine}, add_er_child, kStopUpnp})},
      {"configured AP-ER",
       merged(kWpsOn, {{"wifiAuth", "5"}, {"wifiWpsState", "1"}, {"wifiWpsMode", "AP-ER"}}),
       join({{kPinLine}, kStopUpnp})},
      {"configured, state 1x", merged(kWpsOn, {{"wifiAuth", "4"}, {"wifiWpsState", "1x"}}),
       join({{kPinLine}, kStopUpnp})},
      {"auth 6 is not WPS-capable", merged(kWpsOn, {{"wifiAuth", "6"}}), join({{kPinLine}, kStopUpnp})},
      {"auth 1 is not WPS-capable", merged(kWpsOn, {{"wifiAuth", "1"}, {"wifiWpsMode", "ap-er"}}),
       join({{kPinLine}, kStopUpnp})},
      {"default PIN", merged(kWpsOn, {{"wifiWpsDevPIN", "1234567"}, {"wifiAuth", "3"}}),
       join({{"/bin/iwpriv ra0 set WscVendorPinCode=31756044"}, kStopUpnp})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    set_settings(c.settings);
    clear_shell_lines();
    init_wps();
    EXPECT_EQ(commands(), c.commands);
  }
}

TEST_F(InitWpsTest, RegistrarRecordIsWrittenBeforeTheDriverIsToldToStart) {
  set_settings(kWpsOn);
  std::vector<bool> record_there;
  support::run_children_in_process(
      [&](const std::string&) { record_there.push_back(file_exists("/etc/cmd_agent")); });
  init_wps();
  // PIN, killall, lo up, br0, route: no record yet; WscConfMode=7 onwards: written.
  ASSERT_GE(record_there.size(), 6u);
  EXPECT_EQ(std::vector<bool>(record_there.begin(), record_there.begin() + 6),
            (std::vector<bool>{false, false, false, false, false, true}));
  std::string expected = "/bin/wscd -i ra0 -m 1 -a 192.168.0.254 &";
  expected.resize(128, '\0');
  EXPECT_EQ(read_file("/etc/cmd_agent"), expected);
}

TEST_F(InitWpsTest, RecordReplacesALongerOneWhole) {
  set_settings(kWpsOn);
  write_file("/etc/cmd_agent", std::string(300, 'x'));
  start_wsc_upnp();
  EXPECT_EQ(read_file("/etc/cmd_agent").size(), 128u);
}

TEST_F(InitWpsTest, UnwritableRecordLeavesTheCommandsAsTheyAre) {
  set_settings(kWpsOn);
  ASSERT_EQ(::mkdir(host_path("/etc/cmd_agent").c_str(), 0755), 0);
  start_wsc_upnp();
  EXPECT_EQ(commands(), kStartUpnp);
}

TEST_F(InitWpsTest, LanThatIsNotAnAddressSkipsBr0AndTheRecord) {
  Lines without_br0 = kStartUpnp;
  without_br0.erase(without_br0.begin() + 2);
  const Settings cases[] = {
      {},
      {{"lanConnIp4[2]", ""}, {"lanConnMask4[2]", "255.255.255.0"}},
      {{"lanConnIp4[2]", "192.168.0.1"}, {"lanConnMask4[2]", "255.255.255.0.0"}},
      {{"lanConnIp4[2]", "192.168.0.1;reboot"}, {"lanConnMask4[2]", "255.255.255.0"}},
      {{"lanConnIp4[2]", "192.168.0.256"}, {"lanConnMask4[2]", "255.255.255.0"}},
  };
  for (const Settings& lan : cases) {
    SCOPED_TRACE(lan.empty() ? "missing" : lan[0].second + " " + lan[1].second);
    set_settings(lan);
    clear_shell_lines();
    testing::internal::CaptureStderr();
    EXPECT_EQ(start_wsc_upnp(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "qd_rc: lanConnIp4[2]/lanConnMask4[2] is not an IPv4 address\n");
    EXPECT_EQ(commands(), without_br0);
    EXPECT_FALSE(file_exists("/etc/cmd_agent"));
  }
}

// The UPnP side reads the LAN mask before the address; the profile and the 802.1X step of the
// start read the address first (the latter seen alone when the profile cannot be opened).
TEST_F(InitWpsTest, LanKeysInTheOrderOfEachReader) {
  const Settings dot1x = {{"wifiSSIDNum", "1"}, {"wifiAuth[0]", "6"}, kWpsOn[4], kWpsOn[5]};
  const std::vector<std::string> mask_first = {"lanConnMask4[2]", "lanConnIp4[2]"};
  const std::vector<std::string> address_first = {"lanConnIp4[2]", "lanConnMask4[2]"};
  struct Case {
    const char* name;
    const char* action;
    Settings settings;
    bool profile_opens;
    std::vector<std::string> order;
  } cases[] = {
      {"UPnP side", "wps_init", kWpsOn, true, mask_first},
      {"profile", "start", dot1x, true, address_first},
      {"802.1X step", "start", dot1x, false, address_first},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    remove_file(paths::kProfile);
    if (!c.profile_opens) ::rmdir(host_path(paths::kProfileDir).c_str());
    std::vector<std::string> keys = support::keys_read(*root_, c.settings, {"qd_rc", "wlan", c.action});
    std::erase_if(keys, [](const std::string& key) { return !key.starts_with("lanConn"); });
    EXPECT_EQ(keys, c.order);
    EXPECT_EQ(file_exists(paths::kProfile), c.action == std::string("start") && c.profile_opens);
  }
}

TEST_F(InitWpsTest, StopTakesTheUpnpSideDown) {
  EXPECT_EQ(stop_wsc_upnp(), 0);
  EXPECT_EQ(commands(), kStopUpnp);
}

TEST_F(InitWpsTest, HostilePinReachesTheDriverAsOneArgument) {
  const std::string canary = host_path("/canary");
  for (const std::string& pin : support::hostile_pins(canary)) {
    SCOPED_TRACE(pin);
    set_settings(merged(kWpsOn, {{"wifiWpsDevPIN", pin}, {"wifiAuth", "6"}}));
    clear_shell_lines();
    init_wps();
    ASSERT_EQ(commands().size(), 5u);
    EXPECT_EQ(support::shell_words(commands()[0]),
              (Lines{"/bin/iwpriv", "ra0", "set", "WscVendorPinCode=" + pin}));
    EXPECT_FALSE(file_exists("/canary"));
  }
}

}  // namespace
