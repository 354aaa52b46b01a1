// WPS on ra0: switched off, unconfigured with the UPnP registrar side up, or configured with
// it down, chosen from the settings at every start. The registrar daemon's command line is
// handed to the command agent as a 128-byte record in /etc/cmd_agent.
#include "wps/wps.h"

#include <cstdio>
#include <string>

#include "base/text.h"
#include "nvram/nvram.h"
#include "nvram/uci.h"
#include "platform/platform.h"
#include "rc/runner.h"
#include "wlan/driver.h"
#include "wlan/queries.h"

namespace {

// A plain setting as text; a missing one is empty. Copied, since a later get of the same key
// frees the store's buffer.
std::string setting(const char* key) {
  const char* value = nvram_get(key);
  return value ? value : "";
}

// The authentication modes that WPS can run with: OPEN, WPAPSKWPA2PSK, WPAPSK, WPA2PSK.
bool is_wps_capable_auth(int mode) { return mode == 0 || mode == 2 || mode == 4 || mode == 5; }

void write_cmd_agent_record(const std::string& address) {
  char record[driver::kCmdAgentRecordSize] = {};
  std::snprintf(record, sizeof record, driver::kWscdCommand, address.c_str());
  platform::UniqueFd file =
      platform::open_file(driver::kCmdAgentPath, platform::OpenMode::write_truncate, 0644);
  // The agent finds no record then; the WPS set-up goes on all the same.
  if (file.valid()) platform::write_all(file.get(), record, sizeof record);
}

}  // namespace

std::optional<std::string> lan_bridge_address() {
  const char* address = uci_safe_get_n("lanConnIp4", 2);
  const char* mask = uci_safe_get_n("lanConnMask4", 2);
  auto last = get_lastIP_in_subet(address, mask, 1);
  if (!last) std::fputs("qd_rc: lanConnIp4[2]/lanConnMask4[2] is not an IPv4 address\n", stderr);
  return last;
}

int start_wsc_upnp() {
  const auto address = lan_bridge_address();
  SYSTEM(driver::kKillWscd);
  SYSTEM(driver::kLoopbackUp);
  if (address) SYSTEM(driver::kBr0Address, address->c_str());
  SYSTEM(driver::kUpnpRouteAdd);
  if (address) write_cmd_agent_record(*address);
  SYSTEM(driver::kWscConfMode, driver::kWscConfModeOn);
  SYSTEM(driver::kWscConfStatus, driver::kWscUnconfigured);
  SYSTEM(driver::kWscGetConf, 1);
  return 0;
}

int stop_wsc_upnp() {
  SYSTEM(driver::kLoopbackDown);
  SYSTEM(driver::kUpnpRouteDel);
  SYSTEM(driver::kKillWscd);
  SYSTEM(driver::kWscGetConf, 0);
  return 0;
}

int init_wps() {
  const std::string radio = setting("wifiRadioOnOff");
  const std::string wps_state = setting("wifiWpsState");
  const std::string wps_mode = setting("wifiWpsMode");
  const int auth_mode = text::parse_int(setting("wifiAuth"));
  if (radio[0] == '0' || is_WPS_enable() != 1) {
    // WPS off; the UPnP side is left as it was.
    SYSTEM(driver::kWscConfMode, driver::kWscConfModeOff);
    return 0;
  }
  SYSTEM(driver::kWscVendorPin, shell_quote(qd_get_wscpin("wifiWpsDevPIN")).c_str());
  if (!is_wps_capable_auth(auth_mode)) {
    stop_wsc_upnp();
    return 0;
  }
  if (!text::begins_with_1(wps_state.c_str())) {
    // Unconfigured: the registrar side stays up.
    start_wsc_upnp();
    SYSTEM(driver::kSelfUnconfig);
    return 0;
  }
  if (wps_mode == "ap-er") SYSTEM(driver::kSelfAddER);
  stop_wsc_upnp();
  return 0;
}
