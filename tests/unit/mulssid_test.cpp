// Per-SSID lists: items per SSID, the WEP key choice, the 802.1X rules and the shared buffer.
#include "wlan/mulssid.h"

#include <gtest/gtest.h>

#include <string>

#include "gateway_fixture.h"

namespace {

using MulssidTest = GatewayTest;

TEST_F(MulssidTest, NoSsidsGiveTheEmptyText) {
  set_settings({{"k[0]", "v"}, {"wifiWepLen1[0]", "128"}, {"wifiWep128Key1[0]", "1234567890123"}});
  for (int count : {0, -1, -100}) {
    SCOPED_TRACE(count);
    EXPECT_STREQ(mulssid_get("k", count), "");
    EXPECT_STREQ(mulssid_append("1", count), "");
    EXPECT_STREQ(WEP_Type_multiSSID("wifiWepLen1", count, 1), "");
    EXPECT_STREQ(WEP_Key_multiSSID("wifiWepLen1", count, 1), "");
    EXPECT_STREQ(_8021X_WEP_multiSSID(count), "");
  }
}

TEST_F(MulssidTest, ItemsInSsidOrderWithZeroForMissing) {
  set_settings({{"wifiBssid[0]", "home"},
                {"wifiBssid[2]", "guest"},
                {"wifiBssid[3]", ""},
                {"wifiBssid", "bare"},
                {"wifiBssid[4]", "a;b"}});
  EXPECT_STREQ(mulssid_get("wifiBssid", 3), "home;0;guest");
  // Empty is "0"; a ";" inside a value is copied as it is.
  EXPECT_STREQ(mulssid_get("wifiBssid", 5), "home;0;guest;0;a;b");
}

TEST_F(MulssidTest, RepeatedValue) {
  EXPECT_STREQ(mulssid_append("1", 4), "1;1;1;1");
  EXPECT_STREQ(mulssid_append("", 3), ";;");
  EXPECT_STREQ(mulssid_append(nullptr, 2), ";");
}

TEST_F(MulssidTest, WepKeyChoiceAndType) {
  struct Case {
    const char* name;
    Settings settings;
    int key_number;
    const char* types;
    const char* keys;
  } cases[] = {
      {"128-bit key of 13 and a 64-bit hex key",
       {{"wifiWepLen1[0]", "128"},
        {"wifiWep128Key1[0]", "abcdefghijklm"},
        {"wifiWep64Key1[1]", "0123456789"}},
       1,
       "1;0",
       "abcdefghijklm;0123456789"},
      {"no key at all", {}, 2, "0;0", "0;0"},
      {"any length other than 128 picks the 64-bit key",
       {{"wifiWepLen3[0]", "64"},
        {"wifiWepLen3[1]", "128 "},
        {"wifiWep64Key3[0]", "abcde"},
        {"wifiWep64Key3[1]", "fghij"},
        {"wifiWep128Key3[1]", "not used here"}},
       3,
       "1;1",
       "abcde;fghij"},
      {"the type does not check the size: 13 characters as a 64-bit key",
       {{"wifiWep64Key4[0]", "abcdefghijklm"}, {"wifiWepLen4[1]", "128"}, {"wifiWep128Key4[1]", "abcde"}},
       4,
       "1;1",
       "abcdefghijklm;abcde"},
      {"26 hex digits are not a character key",
       {{"wifiWepLen2[0]", "128"},
        {"wifiWep128Key2[0]", "0123456789abcdef0123456789"},
        {"wifiWep64Key2[1]", ""}},
       2,
       "0;0",
       "0123456789abcdef0123456789;0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    set_settings(c.settings);
    std::string length_key = "wifiWepLen" + std::to_string(c.key_number);
    EXPECT_STREQ(WEP_Type_multiSSID(length_key.c_str(), 2, c.key_number), c.types);
    EXPECT_STREQ(WEP_Key_multiSSID(length_key.c_str(), 2, c.key_number), c.keys);
  }
}

TEST_F(MulssidTest, OpenWepIs8021x) {
  set_settings({{"wifiAuth[0]", "0"},
                {"wifiEnc[0]", "1"},
                {"wifiAuth[1]", "1"},
                {"wifiEnc[1]", "1"},
                {"wifiEnc[3]", "1"},
                {"wifiAuth[4]", "-3"},
                {"wifiEnc[4]", "1"}});
  // SSID 2 has neither setting (auth 0, enc 0); SSID 3 only enc 1; SSID 4 a negative auth (0).
  EXPECT_STREQ(_8021X_WEP_multiSSID(5), "1;0;0;1;1");
}

TEST_F(MulssidTest, Dot1xModes) {
  for (int mode = -2; mode <= 9; ++mode) {
    SCOPED_TRACE(mode);
    EXPECT_EQ(is_dot1x_mode(mode), mode == 3 || mode == 6 || mode == 7 ? 1 : 0);
  }
}

TEST_F(MulssidTest, OneBufferForEveryList) {
  set_settings({{"a[0]", "first"}, {"b[0]", "second"}});
  const char* first = mulssid_get("a", 1);
  EXPECT_STREQ(first, "first");
  const char* second = mulssid_get("b", 1);
  EXPECT_STREQ(second, "second");
  // A list may be the value of the next one: it is read before the buffer is replaced.
  EXPECT_STREQ(mulssid_append(mulssid_append("ab", 2), 2), "ab;ab;ab;ab");
}

TEST_F(MulssidTest, LongListsAreWhole) {
  Settings settings;
  std::string expected;
  for (int i = 0; i < 16; ++i) {
    std::string value(700, static_cast<char>('a' + i));
    settings.emplace_back("wifiWpapsk[" + std::to_string(i) + "]", value);
    (expected += i ? ";" : "") += value;
  }
  set_settings(settings);
  EXPECT_EQ(std::string(mulssid_get("wifiWpapsk", 16)), expected);
  EXPECT_EQ(std::string(mulssid_append(std::string(5000, 'x').c_str(), 2)),
            std::string(5000, 'x') + ";" + std::string(5000, 'x'));
}

TEST_F(MulssidTest, ItemsStopAtTheirFirstLineBreak) {
  set_settings({{"k[0]", "one\ntwo"},
                {"k[1]", "\r\nthree"},
                {"k[2]", "four"},
                {"wifiWep64Key1[0]", "abcde\nfghijklm"}});
  EXPECT_STREQ(mulssid_get("k", 3), "one;0;four");
  EXPECT_STREQ(mulssid_append("x\ry", 2), "x;x");
  EXPECT_STREQ(WEP_Type_multiSSID("wifiWepLen1", 1, 1), "1");
  EXPECT_STREQ(WEP_Key_multiSSID("wifiWepLen1", 1, 1), "abcde");
}

}  // namespace
