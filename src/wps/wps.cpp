// WPS on ra0: switched off, unconfigured with the UPnP registrar side up, or configured with
// it down, chosen from the settings at every start. The registrar daemon's command line is
// handed to the command agent as a 128-byte record in /etc/cmd_agent.
#include "wps/wps.h"

#include <cstdio>
#include <string>

#include "base/shell.h"
#include "base/text.h"
#include "nvram/nvram.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "runner/runner.h"
#include "wlan/driver.h"
#include "wlan/modes.h"
#include "wlan/queries.h"
#include "wps/wsc.h"

namespace {

// A plain setting as text; a missing one is empty. Copied, since a later get of the same key
// frees the store's buffer.
std::string setting(const char* key) {
  const char* value = nvram_get(key);
  return value ? value : "";
}

void write_cmd_agent_record(const std::string& address) {
  char record[driver::kCmdAgentRecordSize] = {};
  // A dotted address has at most 15 characters: the command always fits the record.
  std::snprintf(record, sizeof record, driver::kWscdCommand, address.c_str());
  platform::UniqueFd file = platform::open_file(paths::kCmdAgent, platform::OpenMode::write_truncate, 0644);
  // Unwritten or cut short, the record gives the agent no command; the WPS set-up goes on all
  // the same.
  if (file.valid()) static_cast<void>(platform::write_all(file.get(), record, sizeof record));
}

}  // namespace

int start_wsc_upnp() {
  const auto address = lan_bridge_address(LanReadOrder::mask_first);
  SYSTEM(driver::kKillWscd);
  SYSTEM(driver::kLoopbackUp);
  if (address) SYSTEM(driver::kBr0Address, address->c_str());
  SYSTEM(driver::kUpnpRouteAdd);
  if (address) write_cmd_agent_record(*address);
  wsc_conf_mode(driver::kWscConfModeOn);
  wsc_conf_status(driver::kWscUnconfigured);
  wsc_get_conf(1);
  return 0;
}

int stop_wsc_upnp() {
  SYSTEM(driver::kLoopbackDown);
  SYSTEM(driver::kUpnpRouteDel);
  SYSTEM(driver::kKillWscd);
  wsc_get_conf(0);
  return 0;
}

int init_wps() {
  const std::string radio = setting("wifiRadioOnOff");
  const std::string wps_state = setting("wifiWpsState");
  const std::string wps_mode = setting("wifiWpsMode");
  const int auth_mode = text::parse_int(setting("wifiAuth"));
  if (radio[0] == '0' || is_WPS_enable() != 1) {
    // WPS off; the UPnP side is left as it was.
    wsc_conf_mode(driver::kWscConfModeOff);
    return 0;
  }
  wsc_vendor_pin(shell_quote(qd_get_wscpin("wifiWpsDevPIN")).c_str());
  if (!auth_mode_of(auth_mode).wps) {
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
