// Shared by the injection tests and the fuzz targets: every settings key that reaches a shell
// line, the driver profile or a device, and a check that the shell reads a command line the
// way the program meant it.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace hostile {

// Base keys that the program reads; per-SSID ones are also stored with an index.
inline constexpr std::array<const char*, 62> kSettingKeys = {
    "wifiSSIDNum", "wifiRadioOnOff", "wifiIFOn", "wifiAuth", "wifiEnc", "wifiBssid", "wifiSSID",
    "wifiWpapsk", "wifiWpsState", "wifiWpsMode", "wifiWpsEnable", "wifiWpsDevPIN", "wifiWpsStaPIN",
    "wifiWpsMFG", "wifiWpsDevName", "modelName", "wifiMacAddr", "wifiMacList", "wifiMacList2",
    "wifiMacList3", "wifiMacPolicy", "lanConnIp4", "lanConnMask4", "wifiMcs", "wifiHwmode",
    "wifiWpaPreAuth", "wifiWepLen", "wifiWepLen1", "wifiWepLen2", "wifiWepLen3", "wifiWepLen4",
    "wifiWep64Key1", "wifiWep64Key4", "wifiWep128Key1", "wifiWep128Key4", "wifiDefaultkey",
    "wifiApIsolation", "wifiRadioChannel", "wifiFragment", "wifiBssidBroadcast",
    "wifiBeaconInterval", "wifiWpaSrv", "wifiWpaSecret", "wifiWpaRekeyInterval", "wifiWpaPort",
    "wifiWmm", "wifiWmmPs", "wifiTxPreamble", "wifiTxPower", "wifiShortSlot", "wifiRadiusTimeout",
    "wifiRTSThreshold", "wifiOpMode", "wifiGuard", "wifiDtimInterval", "wifiDeclineBA",
    "wifiBurst", "wifiBandwidth", "wifiBGProtected", "wifiAmsdu", "wifiWep64Key", "wifiWep128Key",
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

}  // namespace hostile
