// The driver profile: whole profiles against golden files, the mode and bandwidth rules, the
// per-line rules of the tables, and what bad settings must not do to the file.
#include "wlan/profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

#include "gateway_fixture.h"
#include "platform/paths.h"
#include "profile_text.h"
#include "text.h"
#include "wlan/driver.h"

namespace {

using support::keys_of;
using Lines = support::ProfileLines;

// The key=value lines after the two header lines; a malformed profile fails the test.
Lines parse_profile(const std::string& text) {
  std::string error;
  Lines lines = support::parse_profile(text, error);
  EXPECT_EQ(error, "");
  return lines;
}

// The fixed key sequence of a profile for `ssids` SSIDs: the keys of the empty profile with
// one access-control pair per SSID after WscDeviceName (the fourth pair repeats from then on).
std::vector<std::string> expected_keys(int ssids) {
  std::vector<std::string> keys;
  for (const std::string& key : keys_of(parse_profile(test_data("profile_empty.dat")))) {
    keys.push_back(key);
    if (key != "WscDeviceName") continue;
    for (int ssid = 0; ssid < ssids; ++ssid) {
      std::string pair = std::to_string(ssid < 4 ? ssid : 3);
      keys.push_back("AccessPolicy" + pair);
      keys.push_back("AccessControlList" + pair);
    }
  }
  return keys;
}

Settings settings_file(const std::string& name) {
  return support::settings_file(support::test_data_path(name));
}

class ProfileTest : public GatewayTest {
 protected:
  int write_profile(const Settings& settings) {
    set_settings(settings);
    return creat_ralink_wlan_config();
  }
  std::string profile() const { return read_file(paths::kProfile); }

  // The profile's lines, after checking their keys against the fixed sequence.
  Lines checked_lines(int ssids) {
    Lines lines = parse_profile(profile());
    EXPECT_EQ(keys_of(lines), expected_keys(ssids));
    return lines;
  }

  // The value of the first line with this key.
  std::string value(const std::string& key) const {
    for (const auto& [k, v] : parse_profile(profile()))
      if (k == key) return v;
    ADD_FAILURE() << "no line " << key;
    return {};
  }
};

TEST_F(ProfileTest, EmptyStoreGivesTheDefaultProfile) {
  EXPECT_EQ(write_profile({}), 0);
  EXPECT_TRUE(SameLines(test_data("profile_empty.dat"), profile()));
  checked_lines(0);
  EXPECT_EQ(commands(), std::vector<std::string>{"mkdir -p /etc/Wireless/RT2860/"});
}

TEST_F(ProfileTest, HomeGatewayProfile) {
  EXPECT_EQ(write_profile(settings_file("home_gateway.settings")), 0);
  EXPECT_TRUE(SameLines(test_data("profile_home_gateway.dat"), profile()));
  checked_lines(4);
}

TEST_F(ProfileTest, RewritesTheWholeFile) {
  write_file(paths::kProfile, std::string(100000, 'x'));
  EXPECT_EQ(write_profile({}), 0);
  EXPECT_EQ(profile(), test_data("profile_empty.dat"));
}

TEST_F(ProfileTest, ModeTable) {
  struct Case {
    const char* hwmode;
    const char* bandwidth;
    const char* channel;
    const char* wireless_mode;
    const char* fixed_tx_mode;
    const char* basic_rate;
    const char* ht_bw;
    const char* ht_extcha;
    const char* ht_mcs;
  } cases[] = {
      // Every stored mode with 40 MHz on channel 3 and MCS 15 stored.
      {"0", "1", "3", "0", "OFDM", "15", "0", "0", "33"},
      {"1", "1", "3", "1", "HT", "3", "0", "0", "33"},
      {"2", "1", "3", "9", "OFDM", "15", "0", "0", "33"},
      {"3", "1", "3", "9", "OFDM", "15", "0", "0", "33"},
      {"4", "1", "3", "4", "OFDM", "351", "0", "0", "33"},
      {"5", "1", "3", "9", "OFDM", "15", "0", "0", "33"},
      {"6", "1", "3", "6", "HT", "15", "1", "1", "15"},
      {"7", "1", "3", "7", "HT", "15", "1", "1", "15"},
      {"8", "1", "3", "9", "OFDM", "15", "0", "0", "33"},
      {"9", "1", "3", "9", "HT", "15", "1", "1", "15"},
      {"10", "1", "3", "9", "OFDM", "15", "0", "0", "33"},
      {"11", "1", "3", "9", "OFDM", "15", "0", "0", "33"},
      {"12", "1", "3", "9", "OFDM", "15", "0", "0", "33"},
      // A negative stored mode reads as 0.
      {"-7", "1", "3", "0", "OFDM", "15", "0", "0", "33"},
      // The extension channel goes with channels 1 to 4 only, and only at 40 MHz.
      {"9", "1", "1", "9", "HT", "15", "1", "1", "15"},
      {"9", "1", "4", "9", "HT", "15", "1", "1", "15"},
      {"9", "1", "5", "9", "HT", "15", "1", "0", "15"},
      {"9", "1", "6", "9", "HT", "15", "1", "0", "15"},
      {"9", "1", "0", "9", "HT", "15", "1", "0", "15"},
      {"9", "1", "-2", "9", "HT", "15", "1", "0", "15"},
      {"7", "0", "3", "7", "HT", "15", "0", "0", "15"},
      {"7", "2", "3", "7", "HT", "15", "0", "0", "15"},
      {"6", "", "3", "6", "HT", "15", "0", "0", "15"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("mode ") + c.hwmode + " bandwidth " + c.bandwidth + " channel " + c.channel);
    ASSERT_EQ(write_profile({{"wifiHwmode", c.hwmode},
                             {"wifiBandwidth", c.bandwidth},
                             {"wifiRadioChannel", c.channel},
                             {"wifiMcs", "15"}}),
              0);
    EXPECT_EQ(value("WirelessMode"), c.wireless_mode);
    EXPECT_EQ(value("FixedTxMode"), c.fixed_tx_mode);
    EXPECT_EQ(value("BasicRate"), c.basic_rate);
    EXPECT_EQ(value("HT_BW"), c.ht_bw);
    EXPECT_EQ(value("HT_EXTCHA"), c.ht_extcha);
    EXPECT_EQ(value("HT_MCS"), c.ht_mcs);
    checked_lines(0);
  }
}

TEST_F(ProfileTest, ChannelAndAutomaticChannel) {
  struct Case {
    const char* channel;
    const char* written;
    const char* select;
    const char* skip_list;
  } cases[] = {
      {nullptr, "0", "2", "2;3;4;5;7;8;9;10"},
      {"0", "0", "2", "2;3;4;5;7;8;9;10"},
      {"11", "11", "0", ""},
      // Channel is the raw number; the automatic-channel rule reads a negative one as 0.
      {"-3", "-3", "2", "2;3;4;5;7;8;9;10"},
      {"", "0", "2", "2;3;4;5;7;8;9;10"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.channel ? c.channel : "absent");
    Settings settings;
    if (c.channel) settings.emplace_back("wifiRadioChannel", c.channel);
    ASSERT_EQ(write_profile(settings), 0);
    EXPECT_EQ(value("Channel"), c.written);
    EXPECT_EQ(value("AutoChannelSelect"), c.select);
    EXPECT_EQ(value("AutoChannelSkipList"), c.skip_list);
  }
}

TEST_F(ProfileTest, ModesFrom13OnLeaveTheProfileEmpty) {
  for (const char* hwmode : {"13", "14", "99999999999"}) {
    SCOPED_TRACE(hwmode);
    write_file(paths::kProfile, "old profile\n");
    clear_shell_lines();
    EXPECT_EQ(write_profile({{"wifiHwmode", hwmode}, {"wifiSSIDNum", "2"}}), 1);
    EXPECT_TRUE(file_exists(paths::kProfile));
    EXPECT_EQ(profile(), "");
    EXPECT_EQ(commands(), std::vector<std::string>{"mkdir -p /etc/Wireless/RT2860/"});
  }
}

TEST_F(ProfileTest, UnopenableProfileFailsWithoutWriting) {
  ::rmdir(host_path(paths::kProfileDir).c_str());
  EXPECT_EQ(write_profile({}), 1);
  EXPECT_FALSE(file_exists(paths::kProfile));
  EXPECT_EQ(commands(), std::vector<std::string>{"mkdir -p /etc/Wireless/RT2860/"});
}

// Created as standard I/O's "w+" creates a file: 0666 less the umask.
TEST_F(ProfileTest, NewProfileTakesItsModeFromTheUmask) {
  for (mode_t umask : {022, 0, 027, 077, 002}) {
    SCOPED_TRACE(umask);
    remove_file(paths::kProfile);
    mode_t saved = ::umask(umask);
    int result = write_profile({});
    ::umask(saved);
    EXPECT_EQ(result, 0);
    struct stat st {};
    ASSERT_EQ(::stat(host_path(paths::kProfile).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~umask);
  }
}

TEST_F(ProfileTest, FullDiskIsAFailure) {
  ASSERT_EQ(::symlink("/dev/full", host_path(paths::kProfile).c_str()), 0);
  EXPECT_EQ(write_profile({}), 1);
}

TEST_F(ProfileTest, PlainValuesDefaultsAndNumbers) {
  struct Case {
    const char* setting;
    const char* stored;  // null: absent
    const char* key;
    const char* written;
  } cases[] = {
      // A default replaces an absent key only; an empty value is used and prints 0.
      {"wifiBeaconInterval", "", "BeaconPeriod", "0"},
      {"wifiBeaconInterval", "*DEL*", "BeaconPeriod", "100"},
      {"wifiBeaconInterval", "250ms", "BeaconPeriod", "250"},
      {"wifiRTSThreshold", nullptr, "RTSThreshold", "2347"},
      {"wifiTxPower", " -5", "TxPower", "-5"},
      {"wifiFragment", "200", "FragThreshold", "2346"},
      {"wifiFragment", "256", "FragThreshold", "256"},
      {"wifiFragment", "3000", "FragThreshold", "3000"},
      {"wifiFragment", "", "FragThreshold", "2346"},
      {"wifiFragment", "big", "FragThreshold", "2346"},
      {"wifiFragment", "-4000", "FragThreshold", "2346"},
      {"wifiGuard", "1", "HT_GI", "0"},
      {"wifiGuard", "0", "HT_GI", "1"},
      {"wifiGuard", " 1", "HT_GI", "1"},
      {"wifiWpsState", nullptr, "WscConfStatus", "2"},
      {"wifiWpsState", "", "WscConfStatus", "2"},
      {"wifiWpsState", "0", "WscConfStatus", "1"},
      {"wifiWpsState", "07", "WscConfStatus", "1"},
      {"wsc_device_pin", "1234567", "WscVendorPinCode", "31756044"},
      {"modelName", "", "WscModelName", ""},
      {"wifiWpsDevName", "Living room AP", "WscDeviceName", "Living room AP"},
      {"wifiRadioOnOff", "2", "RadioOn", "2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.setting) + "=" + (c.stored ? c.stored : "<absent>"));
    Settings settings;
    if (c.stored) settings.emplace_back(c.setting, c.stored);
    ASSERT_EQ(write_profile(settings), 0);
    EXPECT_EQ(value(c.key), c.written);
  }
}

TEST_F(ProfileTest, SsidCountIsPrintedRawAndNegativeMeansNone) {
  ASSERT_EQ(write_profile({{"wifiSSIDNum", "-2"}, {"wifiBssid[0]", "x"}}), 0);
  EXPECT_EQ(value("BssidNum"), "-2");
  EXPECT_EQ(value("SSID"), "");
  EXPECT_EQ(value("AuthMode"), "OPEN");
  checked_lines(0);
}

TEST_F(ProfileTest, SecurityLists) {
  struct Case {
    const char* name;
    Settings settings;
    const char* auth_mode;
    const char* encryp_type;
    const char* rekey_method;
  } cases[] = {
      {"second SSID unset",
       {{"wifiSSIDNum", "2"}, {"wifiAuth[0]", "5"}, {"wifiEnc[0]", "3"}},
       "WPA2PSK;OPEN",
       "AES;NONE",
       "TIME"},
      {"first SSID decides rekey",
       {{"wifiSSIDNum", "2"}, {"wifiAuth[0]", "1"}, {"wifiAuth[1]", "7"}},
       "WEPAUTO;WPA2",
       "NONE;NONE",
       "DISABLE"},
      {"number 8 and beyond are empty",
       {{"wifiSSIDNum", "4"},
        {"wifiAuth[1]", "8"},
        {"wifiAuth[2]", "9"},
        {"wifiAuth[3]", "1000"},
        {"wifiEnc[1]", "5"},
        {"wifiEnc[2]", "6"},
        {"wifiEnc[3]", "77"}},
       "OPEN;;;",
       "NONE;;;",
       "DISABLE"},
      {"first beyond the table still rekeys by time",
       {{"wifiSSIDNum", "1"}, {"wifiAuth[0]", "12"}},
       "",
       "NONE",
       "TIME"},
      {"negative reads as 0",
       {{"wifiSSIDNum", "1"}, {"wifiAuth[0]", "-5"}, {"wifiEnc[0]", "-1"}},
       "OPEN",
       "NONE",
       "DISABLE"},
      {"bare keys are not SSID 0",
       {{"wifiSSIDNum", "1"}, {"wifiAuth", "5"}, {"wifiEnc", "3"}},
       "OPEN",
       "NONE",
       "DISABLE"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(write_profile(c.settings), 0);
    EXPECT_EQ(value("AuthMode"), c.auth_mode);
    EXPECT_EQ(value("EncrypType"), c.encryp_type);
    EXPECT_EQ(value("RekeyMethod"), c.rekey_method);
  }
}

// Each entry of both name tables, and the rekey method of each authentication number.
TEST_F(ProfileTest, EachAuthenticationAndEncryptionNumber) {
  struct Case {
    const char* auth;
    const char* enc;
    const char* auth_mode;
    const char* encryp_type;
    const char* rekey_method;
  } cases[] = {
      {"0", "0", "OPEN", "NONE", "DISABLE"},
      {"1", "1", "WEPAUTO", "WEP", "DISABLE"},
      {"2", "2", "WPAPSKWPA2PSK", "TKIP", "TIME"},
      {"3", "3", "WPA1WPA2", "AES", "TIME"},
      {"4", "4", "WPAPSK", "TKIPAES", "TIME"},
      {"5", "5", "WPA2PSK", "", "TIME"},
      {"6", "0", "WPA", "NONE", "TIME"},
      {"7", "1", "WPA2", "WEP", "TIME"},
      {"8", "2", "", "TKIP", "TIME"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("auth ") + c.auth + ", enc " + c.enc);
    ASSERT_EQ(write_profile({{"wifiSSIDNum", "1"}, {"wifiAuth[0]", c.auth}, {"wifiEnc[0]", c.enc}}), 0);
    EXPECT_EQ(value("AuthMode"), c.auth_mode);
    EXPECT_EQ(value("EncrypType"), c.encryp_type);
    EXPECT_EQ(value("RekeyMethod"), c.rekey_method);
  }
}

TEST_F(ProfileTest, SettingsForAllSsidsFromOneValue) {
  ASSERT_EQ(write_profile({{"wifiSSIDNum", "3"}, {"wifiWpaPreAuth", "1"}, {"wifiApIsolation[0]", "1"}}), 0);
  EXPECT_EQ(value("PreAuth"), "1;1;1");
  EXPECT_EQ(value("NoForwarding"), "1;1;1");
  EXPECT_EQ(value("NoForwardingBTNBSSID"), "1");
  ASSERT_EQ(write_profile({{"wifiSSIDNum", "3"}, {"wifiWpaPreAuth", "2"}, {"wifiApIsolation[2]", "1"}}), 0);
  EXPECT_EQ(value("PreAuth"), "0;0;0");
  EXPECT_EQ(value("NoForwarding"), "0;0;0");
  EXPECT_EQ(value("NoForwardingBTNBSSID"), "0");
}

TEST_F(ProfileTest, HideSsidHasOneItemPerSsidAndAtLeastOne) {
  ASSERT_EQ(write_profile({{"wifiSSIDNum", "2"}, {"wifiBssidBroadcast[0]", "1"}}), 0);
  EXPECT_EQ(value("HideSSID"), "0;1");
  ASSERT_EQ(write_profile({{"wifiBssidBroadcast[0]", "1"}}), 0);
  EXPECT_EQ(value("HideSSID"), "0");
}

TEST_F(ProfileTest, AccessListsPerSsid) {
  Settings settings = {{"wifiSSIDNum", "5"},
                       {"wifiMacList[0]", "00:00:00:00:00:01"},
                       {"wifiMacList[1]", ""},
                       {"wifiMacList[5]", "00:00:00:00:00:06"},
                       {"wifiMacList[32]", "00:00:00:00:00:33"},
                       {"wifiMacList2[31]", "00:00:00:00:02:32"},
                       {"wifiMacList4[0]", "00:00:00:00:04:01"},
                       {"wifiMacList5[0]", "00:00:00:00:05:01"},
                       {"wifiMacList5[1]", "00:00:00:00:05:02"},
                       {"wifiMacPolicy[1]", "2"},
                       {"wifiMacPolicy[2]", ""},
                       {"wifiMacPolicy[3]", "1"},
                       {"wifiMacPolicy[4]", "2"}};
  ASSERT_EQ(write_profile(settings), 0);
  Lines lines = checked_lines(5);
  Lines access(lines.begin(), lines.end());
  std::erase_if(access, [](const auto& l) { return l.first.rfind("Access", 0) != 0; });
  Lines expected = {{"AccessPolicy0", "0"}, {"AccessControlList0", "00:00:00:00:00:01;00:00:00:00:00:06"},
                    {"AccessPolicy1", "2"}, {"AccessControlList1", "00:00:00:00:02:32"},
                    {"AccessPolicy2", "0"}, {"AccessControlList2", ""},
                    {"AccessPolicy3", "1"}, {"AccessControlList3", "00:00:00:00:04:01"},
                    {"AccessPolicy3", "1"}, {"AccessControlList3", "00:00:00:00:05:01;00:00:00:00:05:02"}};
  EXPECT_EQ(access, expected);
}

TEST_F(ProfileTest, OwnAddressIsTheLastHostOfTheLanOrEmpty) {
  struct Case {
    const char* address;  // null: absent
    const char* mask;
    const char* written;
  } cases[] = {
      {"192.168.0.1", "255.255.255.0", "192.168.0.254"},
      {"10.0.0.1", "255.0.0.0", "10.255.255.254"},
      // The forms of inet_aton.
      {"192.168.0", "255.255.255.0", "192.168.0.254"},
      {"192.168.0.1", "255.255.255.0 ", "192.168.0.254"},
      // Not an IPv4 address: no address at all rather than a made-up one.
      {nullptr, nullptr, ""},
      {"192.168.0.1", nullptr, ""},
      {"", "255.255.255.0", ""},
      {"192.168.0.1.0", "255.255.255.0", ""},
      {"192.168.0.300", "255.255.255.0", ""},
      {"gateway", "255.255.255.0", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.address ? c.address : "<absent>") + "/" + (c.mask ? c.mask : "<absent>"));
    Settings settings;
    if (c.address) settings.emplace_back("lanConnIp4[2]", c.address);
    if (c.mask) settings.emplace_back("lanConnMask4[2]", c.mask);
    ASSERT_EQ(write_profile(settings), 0);
    EXPECT_EQ(value("own_ip_addr"), c.written);
    checked_lines(0);
  }
}

TEST_F(ProfileTest, LongValuesAreWrittenWhole) {
  // Lists far beyond the old fixed buffers: per-SSID lists of 4095 and the access lists of
  // 1023 characters (the auth and encryption lists of 16 SSIDs stay below 511).
  const std::string long_name(1000, 'n');
  const std::string long_entry(60, 'm');
  Settings settings = {{"wifiSSIDNum", "16"}};
  std::string ssids, auths, encs;
  for (int i = 0; i < 16; ++i) {
    std::string index = support::cat("[", i, "]");
    settings.emplace_back("wifiBssid" + index, long_name + std::to_string(i));
    settings.emplace_back("wifiAuth" + index, "2");
    settings.emplace_back("wifiEnc" + index, "4");
    (ssids += i ? ";" : "") += long_name + std::to_string(i);
    (auths += i ? ";" : "") += "WPAPSKWPA2PSK";
    (encs += i ? ";" : "") += "TKIPAES";
  }
  std::string macs;
  for (int entry = 0; entry < 32; ++entry) {
    settings.emplace_back("wifiMacList[" + std::to_string(entry) + "]", long_entry);
    (macs += entry ? ";" : "") += long_entry;
  }
  ASSERT_EQ(write_profile(settings), 0);
  Lines lines = checked_lines(16);
  EXPECT_EQ(value("SSID"), ssids);
  EXPECT_EQ(value("AuthMode"), auths);
  EXPECT_EQ(value("EncrypType"), encs);
  EXPECT_EQ(value("AccessControlList0"), macs);
  EXPECT_GT(ssids.size(), 4095u);
  EXPECT_GT(macs.size(), 1023u);
}

TEST_F(ProfileTest, LineBreaksInValuesAddNoLines) {
  Settings settings = {
      {"wifiSSIDNum", "2"},
      {"wifiBssid[0]", "home\nRadioOn=1"},
      {"wifiBssid[1]", "\rAuthMode=OPEN"},
      {"wifiWpapsk[0]", "secret\r\nWPAPSK=x"},
      {"wifiWep64Key1[0]", "abcde\nKey1Type=0"},
      {"modelName", "HN530\nWscConfMode=7"},
      {"wifiWpsDevName", "\n"},
      {"wsc_device_pin", "12345670\nWscConfStatus=1"},
      {"wifiMacList[0]", "00:11:22:33:44:55\nAccessPolicy0=1"},
      {"wifiMacList[1]", "\n00:11:22:33:44:66"},
      {"wifiMacList[2]", "00:11:22:33:44:77"},
      {"wifiBeaconInterval", "100\nDtimPeriod=9"},
  };
  ASSERT_EQ(write_profile(settings), 0);
  checked_lines(2);
  EXPECT_EQ(value("SSID"), "home;0");
  EXPECT_EQ(value("WPAPSK"), "secret;0");
  EXPECT_EQ(value("Key1Type"), "1;0");
  EXPECT_EQ(value("Key1Str"), "abcde;0");
  EXPECT_EQ(value("WscModelName"), "HN530");
  EXPECT_EQ(value("WscDeviceName"), "");
  EXPECT_EQ(value("WscVendorPinCode"), "12345670");
  EXPECT_EQ(value("AccessControlList0"), "00:11:22:33:44:55;00:11:22:33:44:77");
  EXPECT_EQ(value("BeaconPeriod"), "100");
  EXPECT_EQ(value("RadioOn"), "0");
}

}  // namespace
