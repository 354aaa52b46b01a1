// The check: each limit exactly at it and one past it, each rule given by at least one case,
// its list keys against the profile writer, and the graph's quoting of settings.
#include <gtest/gtest.h>

#include <algorithm>

#include "check.h"
#include "platform/paths.h"
#include "preview.h"
#include "rc/settings_keys.h"
#include "scratch.h"
#include "store.h"
#include "wlan/profile.h"

namespace {

using check::Rule;

// How a case's settings reach the check.
enum class Form { kText, kImage, kCutImage, kForeignMagic, kDamagedWorkingCopy, kBinary, kProse, kEmpty };

constexpr long kNoLimit = -1000000;

struct Case {
  const char* name;
  support::Settings settings;  // in place of the clean store's values, or added to it
  std::vector<Rule> expected;  // the findings' rules, in order; none at a limit
  Form form = Form::kText;
  long profile_limit = kNoLimit;  // else added to the clean profile's size
};

// One SSID with WPA2-PSK, no WPS: no finding.
const support::Settings kClean = {{"wifiSSIDNum", "1"}, {"wifiBssid[0]", "Net"},
                                  {"wifiAuth", "5"},    {"wifiAuth[0]", "5"},
                                  {"wifiEnc[0]", "3"},  {"wifiWpapsk[0]", "12345678"}};

std::string repeat(char c, size_t count) { return std::string(count, c); }

// An access list of SSID 0 with `addresses` addresses in its 32 entries, two or three to one.
support::Settings access_list(int addresses) {
  support::Settings list;
  for (int entry = 0; entry < 32; ++entry) {
    std::string value = "00:11:22:33:44:55;00:11:22:33:44:66";
    if (entry < addresses - 64) value += ";00:11:22:33:44:77";
    list.push_back({"wifiMacList[" + std::to_string(entry) + "]", value});
  }
  return list;
}

support::Settings with(support::Settings settings, const support::Settings& more) {
  return support::merged(std::move(settings), more);
}

const Case kCases[] = {
    {"clean", {}, {}},
    // The file.
    {"no settings file", {}, {Rule::kNotSettings}, Form::kProse},
    {"binary file", {}, {Rule::kNotSettings}, Form::kBinary},
    {"image with another magic", {}, {Rule::kImageMagic}, Form::kForeignMagic},
    {"image cut short, with its garbage",
     {{"wifiWpapsk[0]", "short"}},
     {Rule::kDamagedImage},
     Form::kCutImage},
    {"sound image", {}, {}, Form::kImage},
    {"damaged working copy", {}, {Rule::kDamagedWorkingCopy}, Form::kDamagedWorkingCopy},
    // The SSID count.
    {"empty file", {}, {Rule::kSsidCountNone}, Form::kEmpty},
    {"count absent", {{"wifiSSIDNum", "*DEL*"}}, {Rule::kSsidCountNone}},
    {"count empty", {{"wifiSSIDNum", ""}}, {Rule::kSsidCountNone}},
    {"count no number", {{"wifiSSIDNum", "four"}}, {Rule::kSsidCountNone}},
    {"count zero", {{"wifiSSIDNum", "0"}}, {Rule::kSsidCountNone}},
    {"count negative", {{"wifiSSIDNum", "-3"}}, {Rule::kSsidCountNone}},
    {"count with text", {{"wifiSSIDNum", "1x"}}, {Rule::kSsidCountText}},
    {"count with blanks", {{"wifiSSIDNum", " 1 "}}, {}},
    {"count at the beacons", {{"wifiSSIDNum", "8"}}, {}},
    {"count past the beacons", {{"wifiSSIDNum", "9"}}, {Rule::kSsidsSilent}},
    {"count at the radio", {{"wifiSSIDNum", "16"}}, {Rule::kSsidsSilent}},
    {"count past the radio", {{"wifiSSIDNum", "17"}}, {Rule::kSsidsBeyondRadio}},
    {"count beyond int", {{"wifiSSIDNum", "99999999999"}}, {Rule::kSsidsBeyondRadio}},
    // The radio.
    {"last mode written", {{"wifiHwmode", "12"}}, {}},
    {"first mode refused", {{"wifiHwmode", "13"}}, {Rule::kHwmodeRefused}},
    {"refused mode hides list findings",
     {{"wifiHwmode", "13"}, {"wifiBssid[0]", "a;b"}},
     {Rule::kHwmodeRefused}},
    // Each SSID.
    {"SSID at 32 bytes", {{"wifiBssid[0]", repeat('s', 32)}}, {}},
    {"SSID at 33 bytes", {{"wifiBssid[0]", repeat('s', 33)}}, {Rule::kSsidLength}},
    {"semicolon in a list", {{"wifiBssid[0]", "a;b"}}, {Rule::kListSemicolon}},
    {"line break in a list", {{"wifiWpaSecret[0]", "a\nb"}}, {Rule::kLineBreak}},
    {"passphrase at 8", {{"wifiWpapsk[0]", repeat('p', 8)}}, {}},
    {"passphrase at 7", {{"wifiWpapsk[0]", repeat('p', 7)}}, {Rule::kPassphrase}},
    {"passphrase at 63", {{"wifiWpapsk[0]", repeat('p', 63)}}, {}},
    {"64 characters, not hexadecimal", {{"wifiWpapsk[0]", repeat('p', 64)}}, {Rule::kPassphrase}},
    {"64 hexadecimal digits", {{"wifiWpapsk[0]", repeat('a', 64)}}, {}},
    {"65 hexadecimal digits", {{"wifiWpapsk[0]", repeat('a', 65)}}, {Rule::kPassphrase}},
    {"open SSID, short passphrase", {{"wifiAuth", "0"}, {"wifiAuth[0]", "0"}, {"wifiWpapsk[0]", "x"}}, {}},
    {"WEP key of 13", {{"wifiEnc[0]", "1"}, {"wifiWep64Key1[0]", repeat('w', 13)}}, {}},
    {"WEP key of 26 hexadecimal digits", {{"wifiEnc[0]", "1"}, {"wifiWep64Key1[0]", repeat('a', 26)}}, {}},
    {"WEP key of 26, not hexadecimal",
     {{"wifiEnc[0]", "1"}, {"wifiWep64Key1[0]", repeat('w', 26)}},
     {Rule::kWepKey}},
    {"WEP key of 14", {{"wifiEnc[0]", "1"}, {"wifiWep64Key1[0]", repeat('w', 14)}}, {Rule::kWepKey}},
    // The access lists.
    {"64 addresses", access_list(64), {}},
    {"65 addresses", access_list(65), {Rule::kAccessListSize}},
    {"entry [31]", {{"wifiMacList[31]", "00:11:22:33:44:55"}}, {}},
    {"entry [32]", {{"wifiMacList[32]", "00:11:22:33:44:55"}}, {Rule::kAccessListEntry}},
    {"line break in an entry", {{"wifiMacList[0]", "00:11:22:33:44:55\nx"}}, {Rule::kLineBreak}},
    // Keys in forms qd_rc does not read.
    {"SSID [15]", {{"wifiIFOn[15]", "1"}}, {}},
    {"SSID [16]", {{"wifiIFOn[16]", "1"}}, {Rule::kKeyForm}},
    {"bare per-SSID key", {{"wifiBssid", "Net"}}, {Rule::kKeyForm}},
    {"first SSID's key for another", {{"wifiApIsolation[1]", "1"}}, {Rule::kKeyForm}},
    {"indexed bare key", {{"wifiHwmode[0]", "9"}}, {Rule::kKeyForm}},
    {"other programs' key", {{"lanConnIp4[0]", "x"}, {"sysName", "gw"}}, {}},
    // The LAN.
    {"LAN plain", {{"lanConnIp4[2]", "192.168.1.1"}, {"lanConnMask4[2]", "255.255.255.0"}}, {}},
    {"LAN with a note", {{"lanConnIp4[2]", "192.168.1.1 main"}}, {}},
    {"LAN zero that reads alike", {{"lanConnIp4[2]", "192.168.001.1"}}, {}},
    {"LAN leading zero", {{"lanConnIp4[2]", "192.168.010.1"}}, {Rule::kLanLeadingZero}},
    {"LAN leading zero, no octal", {{"lanConnIp4[2]", "192.168.09.1"}}, {Rule::kLanLeadingZero}},
    {"LAN short form", {{"lanConnIp4[2]", "192.168.1"}}, {Rule::kLanNotPlain}},
    {"LAN hexadecimal mask", {{"lanConnMask4[2]", "0xffffff00"}}, {Rule::kLanNotPlain}},
    {"LAN part past 255", {{"lanConnIp4[2]", "192.168.1.256"}}, {Rule::kLanNoAddress}},
    {"LAN absent for 802.1X",
     {{"wifiAuth", "7"}, {"wifiAuth[0]", "7"}},
     {Rule::kLanAbsent, Rule::kLanAbsent}},
    // WPS.
    {"line break in the model", {{"modelName", "HN530\nx"}}, {Rule::kLineBreak}},
    {"PIN with a line break", {{"wsc_device_pin", "12345670\nx"}}, {Rule::kLineBreak}},
    {"PIN without one", {{"wsc_device_pin", "12345670"}}, {}},
    {"bare wifiAuth differs", {{"wifiAuth", "4"}}, {Rule::kWifiAuthDiffers}},
    // The profile.
    {"profile at the limit", {}, {}, Form::kText, 0},
    {"profile one past the limit", {}, {Rule::kProfileLimit}, Form::kText, -1},
};

std::string file_of(const Case& c, const support::Settings& settings) {
  std::string entries = support::entry_list_of(settings);
  switch (c.form) {
    case Form::kText: {
      std::string text;
      for (const auto& [key, value] : settings)
        if (value != "*DEL*") text += nvram_text::format_line(key, value) + "\n";
      return text;
    }
    case Form::kImage: return support::image_of(entries);
    case Form::kCutImage: return support::image_of(entries).substr(0, 60);
    case Form::kForeignMagic: return "X" + support::image_of(entries).substr(1);
    case Form::kDamagedWorkingCopy: return entries + "left over";
    case Form::kBinary:
      return std::string(
          "\x7f"
          "ELF\x01\x01\x01\0\0\0=\0\0",
          14);
    case Form::kProse: return "This is a README.\nIt holds no settings.\n";
    case Form::kEmpty: return "";
  }
  return {};
}

// The size of the clean store's profile.
size_t clean_profile_size() {
  support::ScratchRoot root;
  root.write(paths::kWorkingCopy, support::entry_list_of(kClean));
  EXPECT_EQ(creat_ralink_wlan_config(), 0);
  return root.read(paths::kProfile).size();
}

TEST(Check, FindsWhatEachCaseHoldsAndNothingAtALimit) {
  const size_t profile_size = clean_profile_size();
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    check::Options options;
    if (c.profile_limit)
      options.profile_limit = static_cast<size_t>(static_cast<long>(profile_size) + c.profile_limit);
    std::string file = file_of(c, with(kClean, c.settings));
    std::vector<check::Finding> findings =
        check::check_settings(nvram_text::read_settings(file), "settings", options);
    std::vector<Rule> rules;
    std::string shown;
    for (const check::Finding& finding : findings) {
      rules.push_back(finding.rule);
      shown += finding.key + ": " + finding.reason + "\n";
      // Each message names what to store instead.
      EXPECT_NE(finding.reason.find("; store "), std::string::npos) << finding.reason;
    }
    EXPECT_EQ(rules, c.expected) << shown;
  }
}

// Every rule of the check's own table has a case that gives it.
TEST(Check, EveryRuleHasACase) {
  for (size_t rule = 0; rule < check::kRuleNames.size(); ++rule) {
    bool covered = std::any_of(std::begin(kCases), std::end(kCases), [&](const Case& c) {
      return std::find(c.expected.begin(), c.expected.end(), static_cast<Rule>(rule)) != c.expected.end();
    });
    EXPECT_TRUE(covered) << check::kRuleNames[rule] << " has no case";
  }
}

// Findings show stored numbers as stored, and the advice for a leading zero both readings.
TEST(Check, MessagesShowWhatIsStored) {
  struct {
    support::Settings settings;
    std::string expected;
  } cases[] = {
      {{{"wifiSSIDNum", "99999999999"}}, "wifiSSIDNum: 99999999999 SSIDs: qd_rc sets up 16"},
      {{{"wifiSSIDNum", "four"}, {"wifiBssid[1]", "Guest"}},
       "wifiSSIDNum: \"four\" is no number, which qd_rc reads as 0: the start sets up no SSID"},
      {{{"wifiSSIDNum", "-3"}}, "wifiSSIDNum: \"-3\" is negative"},
      {{{"lanConnIp4[2]", "192.168.010.1"}},
       "lanConnIp4[2]: \"192.168.010.1\" has a part with a leading zero: qd_rc reads it as octal, "
       "192.168.8.1, "
       "while uClibc-ng's ifconfig and route read it as decimal, 192.168.10.1; store 192.168.10.1"},
  };
  for (const auto& c : cases) {
    std::string file;
    for (const auto& [key, value] : with(kClean, c.settings))
      file += nvram_text::format_line(key, value) + "\n";
    auto findings = check::check_settings(nvram_text::read_settings(file), "settings", {});
    ASSERT_FALSE(findings.empty()) << c.expected;
    EXPECT_EQ((findings[0].key + ": " + findings[0].reason).substr(0, c.expected.size()), c.expected);
  }
  // The SSIDs that no interface carries, and the count to store.
  auto findings = check::check_settings(
      nvram_text::read_settings("wifiBssid[0]=Home\nwifiBssid[1]=Guest\nwifiBssid[2]=Office\n"), "s", {});
  ASSERT_EQ(findings.size(), 1u);
  EXPECT_NE(
      findings[0].reason.find("wifiBssid[0] to wifiBssid[2] (\"Home\", ...) go on no air; store the number "
                              "of SSIDs: wifiSSIDNum=3"),
      std::string::npos)
      << findings[0].reason;
  EXPECT_NE(findings[0].reason.find("br0 takes VLAN 100 (eth2.100)"), std::string::npos)
      << findings[0].reason;
}

// A ";" in SSID 0's value of a per-SSID key: the check reports it exactly when the profile
// writer puts it into a line, for every per-SSID key that the program reads.
TEST(Check, ReportsASemicolonExactlyWhenTheProfileHasIt) {
  support::ScratchRoot root;
  std::vector<std::string> lists = check::list_keys();
  for (const SettingsKey& key : kSettingsKeys) {
    if (!(key.forms & kPerSsid)) continue;
    std::string name(key.name);
    SCOPED_TRACE(name);
    nvram_text::SettingsFile file;
    file.entries = {{"wifiSSIDNum", "1"}, {name + "[0]", "x;y"}};
    // The 128-bit WEP keys are the ones written when their length setting says so.
    if (name.starts_with("wifiWep128Key"))
      file.entries.push_back({"wifiWepLen" + name.substr(13) + "[0]", "128"});
    root.clear();
    root.write(paths::kWorkingCopy, nvram_text::entry_list_of(file.entries));
    EXPECT_EQ(creat_ralink_wlan_config(), 0);
    bool in_profile = root.read(paths::kProfile).find("x;y") != std::string::npos;
    auto findings = check::check_settings(file, "settings", {});
    bool reported = std::any_of(findings.begin(), findings.end(), [&](const check::Finding& finding) {
      return finding.key == name + "[0]" && finding.rule == Rule::kListSemicolon;
    });
    EXPECT_EQ(reported, in_profile);
    EXPECT_EQ(std::find(lists.begin(), lists.end(), name) != lists.end(), in_profile);
  }
}

// An SSID name cannot end the label's string or add a statement to the graph.
TEST(Check, GraphQuotesSettings) {
  std::string graph = preview::gateway_graph({"/sbin/ifconfig ra0 up >/dev/console 2>&1"},
                                             {{"a\"b\\c\nd];x", "WPA2PSK/AES", true, false}});
  EXPECT_NE(graph.find("SSID \\\"a\\\"b\\\\c?d];x\\\"\\nWPA2PSK/AES\\nhidden\\nclients not isolated"),
            std::string::npos)
      << graph;
  EXPECT_EQ(std::count(graph.begin(), graph.end(), '\n'), 8) << graph;
}

}  // namespace
