// Hostile settings: every key the program reads, filled with shell syntax, line breaks, very
// long texts and non-ASCII bytes, through start, stop and every action (children included).
// No value may add a command or an argument to a shell line, add or reorder profile lines,
// damage the store, or stop the run from ending normally.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <string>
#include <vector>

#include "gateway_fixture.h"
#include "hostile.h"
#include "nvram/entry_list.h"
#include "platform/fake.h"
#include "platform/paths.h"
#include "profile_text.h"
#include "run.h"
#include "wlan/profile.h"

namespace {

// Not an action word: the profile writer called directly.
constexpr char kProfileOnly[] = "profile";
constexpr const char* kProfile = paths::kProfile;

// Every action word, and the profile writer alone.
std::vector<std::string> actions() {
  std::vector<std::string> words = support::action_words();
  words.push_back(kProfileOnly);
  return words;
}

// Keys that steer which lines run; the other keys only fill values in.
constexpr const char* kControlKeys[] = {"wifiSSIDNum", "wifiRadioOnOff", "wifiIFOn",    "wifiAuth",
                                        "wifiEnc",     "wifiWpsState",   "wifiWpsMode", "wifiWpsEnable",
                                        "wifiHwmode",  "wifiMacPolicy"};

struct HostileValue {
  const char* name;
  std::string text;
  bool huge = false;  // only into kHugeKeys: a store of 100 KB values everywhere would be 25 MB
};

// Keys whose text reaches a command line, the profile or a device record.
constexpr const char* kHugeKeys[] = {"wifiBssid",     "wifiWpapsk",     "wifiWpsDevPIN",
                                     "wifiWpsStaPIN", "wifiMacAddr",    "lanConnIp4",
                                     "modelName",     "wifiWpsDevName", "wifiMacList"};

std::vector<HostileValue> hostile_values() {
  return {
      {"semicolon", "x;touch /tmp/canary"},
      {"digits then semicolon", "1;touch /tmp/canary"},
      {"pin then command", "12345670;touch /tmp/canary"},
      {"address then command", "192.168.0.1;touch /tmp/canary"},
      {"mac then command", "00:11:22:33:44:55;touch /tmp/canary"},
      {"command substitution", "$(touch /tmp/canary)"},
      {"backquotes", "`touch /tmp/canary`"},
      {"pipe and background", "a|touch /tmp/canary&"},
      {"single quotes", "'; touch /tmp/canary; '"},
      {"double quotes", "\"; touch /tmp/canary; \""},
      {"redirections", ">/tmp/canary </etc/passwd 2>&1"},
      {"line break", "ok\ntouch /tmp/canary\nAuthMode=OPEN"},
      {"carriage return", "ok\r\nWPAPSK=owned"},
      {"glob and blanks", "* ? [a] ~ #"},
      {"non-ASCII", "\xff\xfe\x80\xc3\xa9\x01\x1b[31m"},
      {"100 KB", std::string(100 * 1024, 'A'), true},
      {"100 KB hostile", std::string(50 * 1024, ';') + "$(touch /tmp/canary)" + std::string(50 * 1024, '\n'),
       true},
  };
}

// A gateway with two SSIDs, the radio and WPS on and 802.1X on the first SSID, so that start
// reaches every branch that forms lines from settings.
Settings baseline() {
  return {{"wifiSSIDNum", "2"},
          {"wifiRadioOnOff", "1"},
          {"wifiIFOn[0]", "1"},
          {"wifiIFOn[1]", "1"},
          {"wifiWpsEnable", "1"},
          {"wifiWpsState", "1"},
          {"wifiWpsMode", "1"},
          {"wifiAuth", "3"},
          {"wifiAuth[0]", "3"},
          {"wifiAuth[1]", "5"},
          {"wifiEnc[0]", "3"},
          {"wifiEnc[1]", "3"},
          {"wifiHwmode", "9"},
          {"lanConnIp4[2]", "192.168.0.1"},
          {"lanConnMask4[2]", "255.255.255.0"},
          {"wifiMacAddr", "00:11:22:33:44:55"},
          {"wifiWpsDevPIN", "12345670"},
          {"wifiWpsStaPIN", "12345670"}};
}

template <size_t N>
bool listed(const char* const (&keys)[N], const std::string& base) {
  for (const char* key : keys)
    if (base == key) return true;
  return false;
}

// Every key the program reads set to the value, for SSIDs 0 to 2 (access lists: entries 0 to
// 2); the control keys keep the baseline unless `with_control`; a huge text goes into kHugeKeys
// only.
Settings filled_with(const HostileValue& hostile, bool with_control) {
  Settings more;
  for (const std::string& key : support::stored_keys(3, 3)) {
    std::string base = key.substr(0, key.find('['));
    if (!with_control && listed(kControlKeys, base)) continue;
    if (hostile.huge && !listed(kHugeKeys, base) && !base.starts_with("wifiMacList")) continue;
    more.emplace_back(key, hostile.text);
  }
  return merged(baseline(), more);
}

class HostileTest : public GatewayTest {
 protected:
  void SetUp() override {
    GatewayTest::SetUp();
    support::run_children_in_process();
    fake::sys().interfaces["ra0"] = {0x00, 0x0c, 0x43, 0x30, 0x52, 0x77};
    // The devices that wps_change and the LED actions use.
    ::symlink("/dev/urandom", host_path("/dev/urandom").c_str());
    write_file("/dev/gpio", "");
  }

  // Runs one action over the settings and checks what it did; returns the profile's keys.
  std::vector<std::string> run_checked(const Settings& settings, const std::string& action) {
    set_settings(settings);
    remove_file(kProfile);
    clear_shell_lines();
    testing::internal::CaptureStdout();
    // The profile alone: what it holds is checked below, whatever the writer returns.
    int status = action == kProfileOnly ? (static_cast<void>(creat_ralink_wlan_config()), 0)
                                        : support::run_qd_rc({"qd_rc", "wlan", action});
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(status, 0);
    for (const std::string& line : shell_lines()) {
      std::string hazard = support::unquoted_hazard(line);
      EXPECT_EQ(hazard, "") << "line: " << line.substr(0, 300);
    }
    std::string store = read_file("/tmp/nvram");
    EXPECT_TRUE(store.size() >= 1 && store.back() == '\0') << "working copy not terminated";
    if (!file_exists(kProfile)) return {};
    std::string error;
    std::vector<std::string> keys = support::keys_of(support::parse_profile(read_file(kProfile), error));
    EXPECT_EQ(error, "");
    return keys;
  }
};

// One test per value, so that they run side by side.
class HostileValueTest : public HostileTest, public testing::WithParamInterface<size_t> {};

TEST_P(HostileValueTest, ChangesNoShellLineNorTheProfile) {
  const HostileValue value = hostile_values()[GetParam()];
  for (const std::string& action : actions()) {
    SCOPED_TRACE(std::string(value.name) + ", " + action);
    const std::vector<std::string> expected_keys = run_checked(baseline(), action);
    // The keys that steer the run keep their values: the same profile keys must come out,
    // with the hostile text only inside the lines.
    EXPECT_EQ(run_checked(filled_with(value, false), action), expected_keys);
    // Every key hostile: whatever branches run, each line stays harmless.
    run_checked(filled_with(value, true), action);
    if (HasFailure()) return;  // one report per fault is enough
  }
}

INSTANTIATE_TEST_SUITE_P(Values, HostileValueTest, testing::Range<size_t>(0, hostile_values().size()),
                         [](const testing::TestParamInfo<size_t>& info) {
                           std::string name = hostile_values()[info.param].name;
                           for (char& c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

TEST_F(HostileTest, ArgumentsOfTheCommandLineStayArguments) {
  for (const HostileValue& value : hostile_values()) {
    SCOPED_TRACE(value.name);
    set_settings(baseline());
    clear_shell_lines();
    testing::internal::CaptureStdout();
    EXPECT_EQ(support::run_qd_rc({"qd_rc", "wlan", "clientPIN", value.text, value.text}), 0);
    EXPECT_EQ(support::run_qd_rc({"qd_rc", "wlan", value.text}), 0);
    EXPECT_EQ(support::run_qd_rc({"qd_rc", value.text, "start"}), 1);
    testing::internal::GetCapturedStdout();
    for (const std::string& line : shell_lines()) EXPECT_EQ(support::unquoted_hazard(line), "") << line;
  }
}

TEST(ShellHazard, TellsQuotedFromUnquotedText) {
  struct Case {
    const char* line;
    bool safe;
  } cases[] = {
      {"/sbin/ifconfig ra2 up >/dev/console 2>&1", true},
      {"/bin/echo 1 > /proc/qd_ledon", true},
      {"/bin/iwpriv ra0 set SSID='a;b' >/dev/console 2>&1", true},
      {"/bin/iwpriv ra0 set SSID='it'\\''s' >/dev/console 2>&1", true},
      {"/bin/iwpriv ra0 set SSID=a;b >/dev/console 2>&1", false},
      {"/bin/iwpriv ra0 set SSID=$(id)", false},
      {"/bin/iwpriv ra0 set SSID='open", false},
      {"/bin/iwpriv ra0 set SSID=a\nb", false},
      {"/bin/echo 1 > /proc/qd_ledon; reboot", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(support::unquoted_hazard(c.line).empty(), c.safe);
  }
}

}  // namespace
