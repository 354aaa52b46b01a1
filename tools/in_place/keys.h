// The settings keys that the program reads, in the forms in which it reads them
// (rc/settings_keys.h), spelled out as stored: what the tests fill and the preview's
// explanation watches.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace in_place {

// A key as stored with its index: "wifiBssid[2]".
std::string indexed(std::string_view base, int index);

// Bare keys as they are, per-SSID keys for SSIDs 0..`ssids`-1, the first SSID's keys at [0],
// the LAN keys at their index, the access lists of SSIDs 0..`ssids`-1 at entries
// 0..`entries`-1.
std::vector<std::string> stored_keys(int ssids, int entries);

}  // namespace in_place
