// Shared by the injection tests and the fuzz targets: every settings key that reaches a shell
// line, the driver profile or a device, and a check that the shell reads a command line the
// way the program meant it.
#pragma once

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <string_view>
#include <vector>

namespace hostile {

// Base keys that the program reads; per-SSID ones are also stored with an index.
inline constexpr std::array<const char*, 66> kSettingKeys = {
    "wifiSSIDNum",
    "wifiRadioOnOff",
    "wifiIFOn",
    "wifiAuth",
    "wifiEnc",
    "wifiBssid",
    "wifiSSID",
    "wifiWpapsk",
    "wifiWpsState",
    "wifiWpsMode",
    "wifiWpsEnable",
    "wifiWpsDevPIN",
    "wifiWpsStaPIN",
    "wifiWpsMFG",
    "wifiWpsDevName",
    "modelName",
    "wifiMacAddr",
    "wifiMacList",
    "wifiMacList2",
    "wifiMacList3",
    "wifiMacPolicy",
    "lanConnIp4",
    "lanConnMask4",
    "wifiMcs",
    "wifiHwmode",
    "wifiWpaPreAuth",
    "wifiWepLen",
    "wifiWepLen1",
    "wifiWepLen2",
    "wifiWepLen3",
    "wifiWepLen4",
    "wifiWep64Key1",
    "wifiWep64Key4",
    "wifiWep128Key1",
    "wifiWep128Key4",
    "wifiDefaultkey",
    "wifiApIsolation",
    "wifiRadioChannel",
    "wifiFragment",
    "wifiBssidBroadcast",
    "wifiBeaconInterval",
    "wifiWpaSrv",
    "wifiWpaSecret",
    "wifiWpaRekeyInterval",
    "wifiWpaPort",
    "wifiWmm",
    "wifiWmmPs",
    "wifiTxPreamble",
    "wifiTxPower",
    "wifiShortSlot",
    "wifiRadiusTimeout",
    "wifiRTSThreshold",
    "wifiOpMode",
    "wifiGuard",
    "wifiDtimInterval",
    "wifiDeclineBA",
    "wifiBurst",
    "wifiBandwidth",
    "wifiBGProtected",
    "wifiAmsdu",
    "wifiWep64Key",
    "wifiWep128Key",
    "wifiWep64Key2",
    "wifiWep64Key3",
    "wifiWep128Key2",
    "wifiWep128Key3",
};

// The redirection that the command runner adds, and the two LED lines that go to the shell
// as they are: the only places where a line may hold shell syntax of its own.
inline constexpr std::string_view kConsoleSuffix = " >/dev/console 2>&1";
inline constexpr std::array<std::string_view, 2> kFixedLines = {"/bin/echo 1 > /proc/qd_ledon",
                                                                "/bin/echo 0 > /proc/qd_ledon"};

inline bool plain_char(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         std::string_view("._-:/,+@%= ").find(static_cast<char>(c)) != std::string_view::npos;
}

// Empty when every character outside single quotes is plain (so the shell splits the line
// into the words the program formed, and runs exactly one command); otherwise what is wrong.
inline std::string unquoted_hazard(std::string_view line) {
  for (std::string_view fixed : kFixedLines)
    if (line == fixed) return {};
  if (line.ends_with(kConsoleSuffix)) line.remove_suffix(kConsoleSuffix.size());
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (quoted) {
      quoted = c != '\'';
    } else if (c == '\'') {
      quoted = true;
    } else if (c == '\\' && i + 1 < line.size() && line[i + 1] == '\'') {
      ++i;  // the escaped quote inside '...'\''...'
    } else if (!plain_char(static_cast<unsigned char>(c))) {
      return "unquoted byte " + std::to_string(static_cast<unsigned char>(c)) + " at " + std::to_string(i);
    }
  }
  if (quoted) return "unterminated quote";
  return {};
}

// The keys of a driver profile in order, after its two header lines. `error` tells what is
// wrong when a line is not one key=value line (a key of letters, digits and "_", then "="),
// the header differs, or the text does not end with a line feed. An empty profile has no keys.
inline std::vector<std::string> profile_keys(std::string_view profile, std::string& error) {
  constexpr std::string_view kHeader = "#The word of \"Default\" must not be removed\nDefault\n";
  std::vector<std::string> keys;
  error.clear();
  if (profile.empty()) return keys;
  if (!profile.starts_with(kHeader)) error = "header differs";
  if (!profile.ends_with('\n')) error = "no line feed at the end";
  profile.remove_prefix(std::min(profile.size(), kHeader.size()));
  while (!profile.empty() && error.empty()) {
    std::string_view line = profile.substr(0, profile.find('\n'));
    profile.remove_prefix(std::min(profile.size(), line.size() + 1));
    size_t eq = line.find('=');
    std::string_view key = line.substr(0, eq);
    bool plain = eq != std::string_view::npos && !key.empty();
    for (char c : key) plain = plain && (std::isalnum(static_cast<unsigned char>(c)) || c == '_');
    if (!plain) error = "not a key=value line: " + std::string(line.substr(0, 100));
    keys.emplace_back(key);
  }
  return keys;
}

// A settings list the store can trust: entries up to an empty string that ends the data exactly.
inline bool well_formed_list(std::string_view list) {
  size_t pos = 0;
  while (pos < list.size() && list[pos] != '\0') {
    size_t end = list.find('\0', pos);
    if (end == std::string_view::npos) return false;
    pos = end + 1;
  }
  return pos + 1 == list.size();
}

}  // namespace hostile
