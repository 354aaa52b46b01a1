// Small questions about the wireless settings, asked afresh at each call, and the mode table.
#pragma once

#include <array>

// Driver WirelessMode for each stored wifiHwmode 0..10; -1 where the mode has none (written as 9).
inline constexpr std::array<int, 11> dot11mode2WirelessMode = {0, 1, -1, -1, 4, -1, 6, 7, -1, 9, -1};
static_assert(dot11mode2WirelessMode[9] == 9 && dot11mode2WirelessMode[5] == -1);

// N, the number of SSIDs: wifiSSIDNum, 0 when absent, empty or negative, and at most
// driver::kMaxSsids (a larger value is reported once on standard error).
int wifi_ssid_count();

// Show handler of "wlan": the list of special actions.
int wlan_shower(int context);
// 1 when the radio and SSID `index` are switched on.
int is_Wifi_enable(int index);
// 1 when WPS, the radio and the first SSID are switched on.
int is_WPS_enable();
// 1 for the 802.11n modes 6, 7 and 9.
int is_N_related_mode();
// The MCS text for HT_MCS: the stored wifiMcs in an N mode when present, else "33".
// Neither is freed by the caller.
const char* Get_MCS_By_Mode();
