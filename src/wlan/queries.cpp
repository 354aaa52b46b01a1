// Wireless settings queries and the `wlan show` text.
#include "wlan/queries.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "nvram/nvram.h"
#include "nvram/uci.h"
#include "wlan/driver.h"

int wlan_shower(int) {
  std::puts("wlan:");
  std::puts("wlan special function list: ");
  std::puts("\t\"restart\"\n\t\"addER\"\n\t\"clientPIN\"\n\t\"clientPBC\"\n\t\"unconfig\"\n\t\"wps_change\" ");
  // Callers rely on this text as it is: "init_wps" (the action word is "wps_init") and
  // "clientPBC_config" without its tab.
  std::puts("\t\"wps_clean\"\n\t\"wps_reset\"\n\t\"init_wps\"\n\t\"mac_init\"\n\"clientPBC_config\"\n\t\"wps_config\"");
  return 0;
}

int wifi_ssid_count() {
  static bool reported = false;
  int count = uci_get_int_n("wifiSSIDNum", -1);
  if (count <= driver::kMaxSsids) return count;
  // A count beyond the radio would only run thousands of commands that cannot succeed.
  if (!reported) std::fprintf(stderr, "qd_rc: wifiSSIDNum %d is more than %d SSIDs; using %d\n", count,
                              driver::kMaxSsids, driver::kMaxSsids);
  reported = true;
  return driver::kMaxSsids;
}

int is_Wifi_enable(int index) {
  if (uci_get_int_n("wifiRadioOnOff", -1) != 1) return 0;
  return uci_get_int_n("wifiIFOn", index) == 1 ? 1 : 0;
}

int is_WPS_enable() {
  if (uci_get_int_n("wifiWpsEnable", -1) != 1) return 0;
  return is_Wifi_enable(0);
}

int is_N_related_mode() {
  int mode = uci_get_int_n("wifiHwmode", -1);
  return mode == 6 || mode == 7 || mode == 9 ? 1 : 0;
}

const char* Get_MCS_By_Mode() {
  const char* mcs = nvram_get("wifiMcs");
  if (is_N_related_mode() && mcs) return mcs;
  // A literal rather than a fresh copy: nobody frees it, and the text is the same.
  return "33";
}
