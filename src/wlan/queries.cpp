// Wireless settings queries, the WPS PIN of a settings key and the LAN address of br0.
#include "wlan/queries.h"

#include <cstdlib>
#include <cstring>

#include "base/ipv4.h"
#include "nvram/nvram.h"
#include "nvram/uci.h"
#include "platform/messages.h"
#include "wlan/driver.h"
#include "wlan/modes.h"

namespace {

// Whether this invocation has told of a count beyond the radio yet.
bool ssid_count_reported = false;

}  // namespace

void forget_ssid_count_notice() { ssid_count_reported = false; }

int wifi_ssid_count() {
  int count = uci_get_int_n("wifiSSIDNum", -1);
  if (count <= driver::kMaxSsids) return count;
  // A count beyond the radio would only run thousands of commands that cannot succeed.
  if (!ssid_count_reported)
    platform::notice("qd_rc: wifiSSIDNum %d is more than %d SSIDs; using %d\n", count, driver::kMaxSsids,
                     driver::kMaxSsids);
  ssid_count_reported = true;
  return driver::kMaxSsids;
}

// Both settings are read at every call, in this order, even when the first decides: reads
// show in the working copy (nvram_get).
int is_Wifi_enable(int index) {
  const int radio = uci_get_int_n("wifiRadioOnOff", -1);
  const int interface = uci_get_int_n("wifiIFOn", index);
  return radio == 1 && interface == 1 ? 1 : 0;
}

int is_WPS_enable() {
  const int wps = uci_get_int_n("wifiWpsEnable", -1);
  const int first_ssid = is_Wifi_enable(0);
  return wps == 1 && first_ssid == 1 ? 1 : 0;
}

int is_N_related_mode() { return hwmode_of(uci_get_int_n("wifiHwmode", -1)).n_related ? 1 : 0; }

const char* Get_MCS_By_Mode() {
  const char* mcs = nvram_get("wifiMcs");
  if (is_N_related_mode() && mcs) return mcs;
  // A literal rather than a fresh copy: nobody frees it, and the text is the same.
  return "33";
}

const char* qd_get_wscpin(const char* key) {
  const char* stored = nvram_get(key);
  if (stored && std::strspn(stored, "0123456789") == 8) return stored;
  return kDefaultWpsPin;
}

std::optional<std::string> get_lastIP_in_subet(const char* address, const char* mask, unsigned k) {
  if (!mask || !address) return std::nullopt;
  auto host = ipv4::parse(address);
  auto netmask = ipv4::parse(mask);
  if (!host || !netmask) return std::nullopt;
  return ipv4::format((*host | ~*netmask) - k);
}

std::optional<std::string> lan_bridge_address(LanReadOrder order) {
  const char* address = nullptr;
  const char* mask = nullptr;
  if (order == LanReadOrder::address_first) {
    address = uci_safe_get_n("lanConnIp4", 2);
    mask = uci_safe_get_n("lanConnMask4", 2);
  } else {
    mask = uci_safe_get_n("lanConnMask4", 2);
    address = uci_safe_get_n("lanConnIp4", 2);
  }
  auto last = get_lastIP_in_subet(address, mask, 1);
  if (!last) platform::notice("qd_rc: lanConnIp4[2]/lanConnMask4[2] is not an IPv4 address\n");
  return last;
}
