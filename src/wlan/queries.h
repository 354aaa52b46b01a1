// Small questions about the wireless settings, asked afresh at each call: radio, SSID and WPS
// switches, the wireless mode (its table: wlan/modes.h), the WPS PIN of a key and the device's own
// address in the LAN subnet.
#pragma once

#include <optional>
#include <string>

// N, the number of SSIDs: wifiSSIDNum, 0 when absent, empty or negative, and at most
// driver::kMaxSsids (a larger value is reported once on standard error).
int wifi_ssid_count();
// Starts a new invocation's count of that report: every invocation tells once, also when
// several run in one process (the preview and the tests run the program in place).
void forget_ssid_count_notice();

// 1 when the radio and SSID `index` are switched on.
int is_Wifi_enable(int index);
// 1 when WPS, the radio and the first SSID are switched on.
int is_WPS_enable();
// 1 when the stored wifiHwmode is an 802.11n mode (wlan/modes.h).
int is_N_related_mode();
// The MCS text for HT_MCS: the stored wifiMcs in an N mode when present, else "33".
// Neither is freed by the caller.
const char* Get_MCS_By_Mode();

inline constexpr char kDefaultWpsPin[] = "31756044";

// The stored PIN under `key` when its leading run of digits is exactly eight long (the rest
// is not examined), else the default PIN. Not to be freed.
const char* qd_get_wscpin(const char* key);

// The address k below the broadcast address of the subnet of `address` and `mask`, as
// dotted text. Nothing when the mask is null or either text is not an IPv4 address in one of
// the forms that inet_aton reads (base/ipv4.h).
std::optional<std::string> get_lastIP_in_subet(const char* address, const char* mask, unsigned k);

// Which of lanConnIp4[2] and lanConnMask4[2] a caller reads first: the 802.1X step of the start
// reads the address first, the UPnP side of WPS the mask. The order shows in the working copy
// when the keys come from the image.
enum class LanReadOrder { address_first, mask_first };

// The device's address on the LAN bridge br0: get_lastIP_in_subet of lanConnIp4[2] and
// lanConnMask4[2] with k = 1. Nothing, with one line on standard error, when they do not
// hold an IPv4 address and mask.
std::optional<std::string> lan_bridge_address(LanReadOrder order);
