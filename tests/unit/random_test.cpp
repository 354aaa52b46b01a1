// Random credentials: what wps_change writes, from which random bytes, and that an unusable
// random device changes no setting.
#include "wlan/random.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

#include "gateway_fixture.h"
#include "nvram/nvram.h"
#include "nvram/uci.h"
#include "platform/fake.h"

namespace {

class RandomCredentialsTest : public GatewayTest {
 protected:
  // The name length that rand() gives for the fake clock, as the generator seeds it.
  static size_t ssid_length() {
    std::srand(static_cast<unsigned>(fake::sys().now));
    return static_cast<size_t>(std::rand() % 27) + 1;
  }
  int change(std::string* out = nullptr) {
    testing::internal::CaptureStdout();
    int result = wps_random_value();
    std::string printed = testing::internal::GetCapturedStdout();
    if (out) *out = printed;
    return result;
  }
  void set_random(const std::string& bytes) const { write_file("/dev/urandom", bytes); }
  static std::string value(const char* base, int index) { return uci_safe_get_n(base, index); }
};

TEST_F(RandomCredentialsTest, WritesTheFiveSettingsInOrderFromTheDrawnBytes) {
  // Name characters with refused bytes between them, the two length bytes, the passphrase.
  const std::string refused = "A\x7F\xE1\x01 Z";
  const size_t name_length = ssid_length();
  std::string name, bytes;
  for (size_t i = 0; i < name_length; ++i) {
    char c = "k3s9az"[i % 6];
    name += c;
    bytes += refused.substr(0, i % refused.size()) + c;
  }
  bytes += std::string("\x01\x00", 2);  // r = 1: 8 characters
  bytes += "p4ss\xFFw0rd";
  set_random(bytes);

  EXPECT_EQ(change(), 0);
  EXPECT_EQ(read_file("/tmp/nvram"), entry_list_of({{"wifiWpsState", "1"},
                                                    {"wifiAuth[0]", "5"},
                                                    {"wifiEnc[0]", "3"},
                                                    {"wifiBssid[0]", "KES_" + name},
                                                    {"wifiWpapsk[0]", "p4ssw0rd"}}));
}

TEST_F(RandomCredentialsTest, TheFiveSetsAreHeldAsOne) {
  root_->lay_devices();
  ASSERT_EQ(change(), 0);
  EXPECT_EQ(fake::sys().signal_holds, 1) << "a signal could end the process between two of the sets";
  EXPECT_EQ(fake::sys().signal_hold_depth, 0);
}

TEST_F(RandomCredentialsTest, OnlyTheFirstSsidChanges) {
  set_settings({{"wifiAuth", "7"},
                {"wifiEnc", "2"},
                {"wifiAuth[0]", "0"},
                {"wifiBssid[0]", "home"},
                {"wifiBssid[1]", "guest"},
                {"wifiWpapsk[1]", "guestpass"},
                {"wifiAuth[1]", "4"}});
  std::string bytes;
  for (int i = 0; i < 200; ++i) bytes += "abcdefghijklmnopqrstuvwxyz0123456789"[i % 36];
  set_random(bytes);
  EXPECT_EQ(change(), 0);
  EXPECT_EQ(value("wifiAuth", -1), "7");
  EXPECT_EQ(value("wifiEnc", -1), "2");
  EXPECT_EQ(value("wifiBssid", 1), "guest");
  EXPECT_EQ(value("wifiWpapsk", 1), "guestpass");
  EXPECT_EQ(value("wifiAuth", 1), "4");
  EXPECT_EQ(value("wifiAuth", 0), "5");
  const std::string ssid = value("wifiBssid", 0), psk = value("wifiWpapsk", 0);
  EXPECT_EQ(ssid.substr(0, 4), "KES_");
  EXPECT_EQ(ssid.size(), 4 + ssid_length());
  EXPECT_GE(psk.size(), 8u);
  EXPECT_LE(psk.size(), 15u);
  EXPECT_EQ((ssid.substr(4) + psk).find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789"),
            std::string::npos);
}

TEST_F(RandomCredentialsTest, NamesOfTheSameSecondHaveTheSameLength) {
  std::string bytes;
  for (int i = 0; i < 400; ++i) bytes += static_cast<char>('a' + i % 26);
  set_random(bytes);
  ASSERT_EQ(change(), 0);
  const std::string first = value("wifiBssid", 0);
  set_random(bytes.substr(7));
  ASSERT_EQ(change(), 0);
  const std::string second = value("wifiBssid", 0);
  EXPECT_EQ(first.size(), second.size());
  EXPECT_NE(first, second);
}

TEST_F(RandomCredentialsTest, UnusableDeviceChangesNoSetting) {
  const Settings before = {{"wifiWpsState", "0"}, {"wifiBssid[0]", "home"}, {"wifiWpapsk[0]", "secret12"}};
  std::string enough_for_the_name;
  for (size_t i = 0; i < ssid_length(); ++i) enough_for_the_name += 'n';
  struct Case {
    const char* name;
    bool present;
    std::string bytes;
  } cases[] = {
      {"missing device", false, ""},
      {"empty device", true, ""},
      {"only refused bytes", true, std::string(5000, 'A')},
      {"dry after the name", true, enough_for_the_name},
      {"dry after the passphrase length", true, enough_for_the_name + std::string("\x01\x00", 2) + "abc"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    set_settings(before);
    if (c.present)
      set_random(c.bytes);
    else
      remove_file("/dev/urandom");
    std::string printed;
    EXPECT_EQ(change(&printed), 1);
    EXPECT_EQ(read_file("/tmp/nvram"), entry_list_of(before));
    if (c.present)
      EXPECT_EQ(printed, "");
    else
      EXPECT_EQ(printed,
                "Could not open /dev/urandom\nCould not open /dev/urandom\nCould not open /dev/urandom\n");
  }
}

TEST_F(RandomCredentialsTest, SingleGeneratorsStoreOnlyTheirOwnSetting) {
  set_random(std::string("abcdefghijklmnopqrstuvwxyz0123", 30) + std::string("\x01\x00", 2) + "q1w2e3r4t5");
  EXPECT_EQ(set_random_ssid(), 0);
  EXPECT_EQ(read_file("/tmp/nvram"),
            entry_list_of({{"wifiBssid[0]",
                            "KES_" + std::string("abcdefghijklmnopqrstuvwxyz0").substr(0, ssid_length())}}));
  set_random(std::string("\x01\x00", 2) + "q1w2e3r4t5");
  EXPECT_EQ(set_random_psk(), 0);
  EXPECT_EQ(value("wifiWpapsk", 0), "q1w2e3r4");
  remove_file("/dev/urandom");
  testing::internal::CaptureStdout();
  EXPECT_EQ(set_random_psk(), 1);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(value("wifiWpapsk", 0), "q1w2e3r4");
}

TEST_F(RandomCredentialsTest, GetRandomBytesReadsTheDevice) {
  set_random("xyz");
  char buf[4] = {};
  EXPECT_EQ(get_random_bytes(buf, 3), 0);
  EXPECT_STREQ(buf, "xyz");
  EXPECT_EQ(get_random_bytes(buf, 4), 1);
  remove_file("/dev/urandom");
  testing::internal::CaptureStdout();
  EXPECT_EQ(get_random_bytes(buf, 1), 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Could not open /dev/urandom\n");
}

TEST(PskLengthTest, EveryLengthFromEightToFifteenIsEquallyLikely) {
  std::map<size_t, int> counts;
  for (unsigned r = 0; r <= 0xFFFF; ++r) ++counts[psk_length(static_cast<uint16_t>(r))];
  ASSERT_EQ(counts.size(), 8u);
  EXPECT_EQ(counts.begin()->first, 8u);
  EXPECT_EQ(counts.rbegin()->first, 15u);
  for (const auto& [length, count] : counts) EXPECT_EQ(count, 8192) << length;
}

}  // namespace
