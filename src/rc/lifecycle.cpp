// Start and stop of the access point. SSID i of N is raI; each SSID but the first has VLAN
// eth2.(100+i) and bridge brI joining the two, one more bridge brN holds eth2.(100+N) alone,
// and ra0 joins the existing br0. Every command runs whatever the earlier ones did.
#include "rc/lifecycle.h"

#include "base/shell.h"
#include "base/text.h"
#include "nvram/uci.h"
#include "platform/system.h"
#include "runner/runner.h"
#include "wlan/driver.h"
#include "wlan/mulssid.h"
#include "wlan/profile.h"
#include "wlan/queries.h"
#include "wps/wps.h"

namespace {

using driver::kWiredIf;

void add_vlan(int vlan) {
  SYSTEM(driver::kVlanAdd, kWiredIf, vlan);
  SYSTEM(driver::kVlanUp, kWiredIf, vlan);
}

void add_bridge(int bridge) {
  SYSTEM(driver::kBridgeAdd, bridge);
  SYSTEM(driver::kBridgeUp, bridge);
}

// At the first SSID in an 802.1X mode: br0's own LAN address, the default route through the
// LAN address, and the 802.1X daemon, once however many SSIDs need it.
void start_dot1x(int ssids) {
  for (int i = 0; i < ssids; ++i) {
    if (!is_dot1x_mode(text::parse_int(uci_safe_get_n("wifiAuth", i)))) continue;
    if (auto address = lan_bridge_address(LanReadOrder::address_first))
      SYSTEM(driver::kBr0Address, address->c_str());
    SYSTEM(driver::kRouteAddDefault, shell_quote(uci_safe_get_n("lanConnIp4", 2)).c_str());
    SYSTEM(driver::kDot1xDaemon);
    return;
  }
}

}  // namespace

int wlan_start() {
  const int ssids = wifi_ssid_count();
  // A profile that cannot be written, or is left empty for a refused mode, is what the driver
  // starts with: the start goes on.
  static_cast<void>(creat_ralink_wlan_config());
  SYSTEM(driver::kSelfMacInit);
  for (int i = 1; i < ssids; ++i) {
    add_vlan(driver::kVlanBase + i);
    SYSTEM(driver::kRaUp, i);
    add_bridge(i);
    SYSTEM(driver::kBridgeAddVlan, i, kWiredIf, driver::kVlanBase + i);
  }
  add_bridge(ssids);
  add_vlan(driver::kVlanBase + ssids);
  SYSTEM(driver::kBridgeAddVlan, ssids, kWiredIf, driver::kVlanBase + ssids);
  for (int i = 1; i < ssids; ++i) SYSTEM(driver::kBridgeAddRa, i, i);
  // An SSID that is switched off was brought up above and goes down again here.
  for (int i = 0; i < ssids; ++i) SYSTEM(is_Wifi_enable(i) == 1 ? driver::kRaUp : driver::kRaDown, i);
  init_wps();
  SYSTEM(driver::kInsmodVrif);
  SYSTEM(driver::kBr0AddRa0);
  SYSTEM(driver::kIgmpSnoop);
  start_dot1x(ssids);
  // The LED file takes the shell's own redirection, so this line bypasses the runner. Its
  // status is not looked at, as no shell line's is.
  static_cast<void>(platform::run_shell(is_Wifi_enable(0) == 1 ? driver::kLedFileOn : driver::kLedFileOff));
  return 0;
}

int wlan_stop() {
  stop_wsc_upnp();
  SYSTEM(driver::kRa0Down);
  SYSTEM(driver::kRai0Down);
  const int ssids = wifi_ssid_count();
  for (int i = 1; i < ssids; ++i) SYSTEM(driver::kRaDown, i);
  SYSTEM(driver::kRouteDelDefault);
  SYSTEM(driver::kKillDot1xDaemon);
  SYSTEM(driver::kRmmodAp);
  return 0;
}
