// The Ralink driver profile RT2860.dat, written whole from the settings at every start.
//
// Format: a comment line, the word "Default", then one key=value line per setting, each ended
// by a line feed. The keys and their order are fixed; GreenAP appears twice and the
// AccessPolicy/AccessControlList pair once per SSID. Per-SSID values are ";"-joined lists.
#pragma once

#include <string>
#include <string_view>

// The first two lines of every profile: the driver wants the word on the second line.
inline constexpr char kProfileHeader[] = "#The word of \"Default\" must not be removed\nDefault\n";

// When set, told each part of the profile as it is rendered: the two header lines, then each
// key=value line with its line feed. The preview of qd_nvram_tool attributes the settings read
// since the previous part to each line; null in the program.
inline void (*profile_line_rendered)(std::string_view part) = nullptr;

// The setting that holds SSID `ssid`'s access list: wifiMacList for the first, then
// wifiMacList2, wifiMacList3 and so on.
std::string access_list_key(int ssid);

// Runs "mkdir -p" for the profile's directory, then writes the profile. 0 when the profile
// was written; 1 when it cannot be opened or written, or the stored mode is one that is refused
// (kFirstRefusedHwmode or more, wlan/modes.h: the profile is then left empty).
[[nodiscard]] int creat_ralink_wlan_config();
