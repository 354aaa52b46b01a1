// Wireless settings queries: on means exactly 1, the N modes, the MCS value and the help text.
#include "wlan/queries.h"

#include "rc/actions.h"

#include <gtest/gtest.h>

#include <string>

#include "gateway_fixture.h"
#include "run.h"

namespace {

using QueriesTest = GatewayTest;

TEST_F(QueriesTest, EmptyStoreSwitchesEverythingOff) {
  EXPECT_EQ(is_Wifi_enable(0), 0);
  EXPECT_EQ(is_WPS_enable(), 0);
  EXPECT_EQ(is_N_related_mode(), 0);
  EXPECT_STREQ(Get_MCS_By_Mode(), "33");
}

TEST_F(QueriesTest, RadioInterfaceAndWps) {
  struct Case {
    const char* name;
    Settings settings;
    int ssid0, ssid2, wps;
  } cases[] = {
      {"radio and SSID 2 on",
       {{"wifiRadioOnOff", "1"}, {"wifiIFOn[2]", "1"}, {"wifiWpsEnable", "1"}},
       0,
       1,
       0},
      {"all on",
       {{"wifiRadioOnOff", "1"}, {"wifiIFOn[0]", "1"}, {"wifiIFOn[2]", "1"}, {"wifiWpsEnable", "1"}},
       1,
       1,
       1},
      {"WPS off", {{"wifiRadioOnOff", "1"}, {"wifiIFOn[0]", "1"}, {"wifiWpsEnable", "0"}}, 1, 0, 0},
      {"radio 2 is not on",
       {{"wifiRadioOnOff", "2"}, {"wifiIFOn[0]", "1"}, {"wifiIFOn[2]", "1"}, {"wifiWpsEnable", "1"}},
       0,
       0,
       0},
      {"radio off", {{"wifiRadioOnOff", "0"}, {"wifiIFOn[0]", "1"}, {"wifiWpsEnable", "1"}}, 0, 0, 0},
      {"bare wifiIFOn is not SSID 0",
       {{"wifiRadioOnOff", "1"}, {"wifiIFOn", "1"}, {"wifiWpsEnable", "1"}},
       0,
       0,
       0},
      {"leading digits count",
       {{"wifiRadioOnOff", "1x"}, {"wifiIFOn[0]", "01"}, {"wifiWpsEnable", " 1"}},
       1,
       0,
       1},
      {"empty is off", {{"wifiRadioOnOff", ""}, {"wifiIFOn[0]", "1"}, {"wifiWpsEnable", "1"}}, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    set_settings(c.settings);
    EXPECT_EQ(is_Wifi_enable(0), c.ssid0);
    EXPECT_EQ(is_Wifi_enable(2), c.ssid2);
    EXPECT_EQ(is_WPS_enable(), c.wps);
  }
}

// The WPS gate of the special actions asks is_WPS_enable: wifiWpsEnable, then the radio, then
// SSID 0's switch, every one read even when an earlier one has decided.
TEST_F(QueriesTest, EverySwitchIsReadInOrder) {
  struct Case {
    const char* wps;
    const char* radio;
    const char* ssid0;
  } cases[] = {{"1", "1", "1"}, {"0", "1", "1"}, {"1", "0", "1"}, {"1", "1", "0"}, {"0", "0", "0"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.wps) + c.radio + c.ssid0);
    const Settings stored = {{"wifiIFOn[0]", c.ssid0}, {"wifiRadioOnOff", c.radio}, {"wifiWpsEnable", c.wps}};
    EXPECT_EQ(support::keys_read(*root_, stored, {"qd_rc", "wlan", "no_such_action"}),
              (std::vector<std::string>{"wifiWpsEnable", "wifiRadioOnOff", "wifiIFOn[0]"}));
  }
}

TEST_F(QueriesTest, NModesAndMcs) {
  struct Case {
    const char* hwmode;  // null: absent
    const char* mcs;     // null: absent
    int n_mode;
    const char* result;
  } cases[] = {
      {"7", "15", 1, "15"}, {"6", "0", 1, "0"},      {"9", nullptr, 1, "33"}, {"9", "", 1, ""},
      {"4", "15", 0, "33"}, {"5", "15", 0, "33"},    {"8", "15", 0, "33"},    {"10", "15", 0, "33"},
      {"0", "7", 0, "33"},  {nullptr, "7", 0, "33"}, {"-9", "7", 0, "33"},    {"9abc", "7", 1, "7"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.hwmode ? c.hwmode : "<absent>") + "/" + (c.mcs ? c.mcs : "<absent>"));
    Settings settings;
    if (c.hwmode) settings.emplace_back("wifiHwmode", c.hwmode);
    if (c.mcs) settings.emplace_back("wifiMcs", c.mcs);
    set_settings(settings);
    EXPECT_EQ(is_N_related_mode(), c.n_mode);
    EXPECT_STREQ(Get_MCS_By_Mode(), c.result);
  }
}

TEST_F(QueriesTest, ShowText) {
  std::string lines;
  for (std::string_view line : kWlanShowLines) (lines += line) += '\n';
  testing::internal::CaptureStdout();
  EXPECT_EQ(wlan_shower(0), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), lines);
}

}  // namespace
