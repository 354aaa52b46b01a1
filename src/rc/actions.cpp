// The special actions of `qd_rc wlan <action>`: restart and mac_init always, and past the WPS
// gate the WPS actions on ra0's driver, the new random credentials and the WPS LED. Action
// words are matched whole, without regard to letter case.
#include "rc/actions.h"

#include <strings.h>

#include <cstdio>
#include <string>

#include "base/shell.h"
#include "nvram/nvram.h"
#include "rc/lifecycle.h"
#include "wlan/driver.h"
#include "wlan/macprog.h"
#include "wlan/queries.h"
#include "wlan/random.h"
#include "wps/led.h"
#include "wps/wps.h"
#include "wps/wsc.h"

namespace {

// GPIO line of the WPS LED.
constexpr unsigned kWpsLedGpio = 0;

void client_pin(const char*) { wsc_client_pin(shell_quote(qd_get_wscpin("wifiWpsStaPIN")).c_str()); }
void wps_config(const char*) { wsc_configured(); }
void wps_change(const char*) { wps_random_value(); }
void wps_init(const char*) { init_wps(); }
void led_on(const char*) { ledWps(kWpsLedGpio, kWpsLedInProgress); }
void led_off(const char*) { ledWps(kWpsLedGpio, kWpsLedOff); }
void led_success(const char*) { ledWps(kWpsLedGpio, kWpsLedSuccess); }

struct GatedAction {
  std::string_view word;
  void (*run)(const char* device_pin);  // the device PIN, already quoted for the shell
};

inline constexpr std::array<GatedAction, 13> kGatedTable = {{
    {"addER", wsc_add_er},
    {"clientPIN", client_pin},
    {"clientPBC", wsc_client_pbc},
    {"wps_config", wps_config},
    {"clientPBC_config", wsc_client_pbc},
    {"unconfig", wsc_unconfig},
    {"wps_change", wps_change},
    {"wps_clean", wsc_clean},
    {"wps_reset", wsc_reset},
    {"wps_init", wps_init},
    {"wpsled_on", led_on},
    {"wpsled_off", led_off},
    {"wpsled_success", led_success},
}};

// The header's list of the words is this table's.
constexpr bool lists_the_table() {
  for (size_t i = 0; i < kGatedTable.size(); ++i)
    if (kGatedTable[i].word != kGatedActions[i]) return false;
  return kGatedTable.size() == kGatedActions.size();
}
static_assert(lists_the_table());

}  // namespace

int wlan_shower(int) {
  std::puts("wlan:");
  std::puts("wlan special function list: ");
  std::puts(
      "\t\"restart\"\n\t\"addER\"\n\t\"clientPIN\"\n\t\"clientPBC\"\n\t\"unconfig\"\n\t\"wps_change\" ");
  // Callers rely on this text as it is: "init_wps" (the action word is "wps_init") and
  // "clientPBC_config" without its tab.
  std::puts(
      "\t\"wps_clean\"\n\t\"wps_reset\"\n\t\"init_wps\"\n\t\"mac_init\"\n\"clientPBC_config\"\n\t\"wps_"
      "config\"");
  return 0;
}

int wlan_sp_fun(int argc, char** argv, int) {
  if (argc < 3) return 1;
  const char* word = argv[2];
  if (strcasecmp(word, "restart") == 0) {
    wlan_stop();
    wlan_start();
  } else if (strcasecmp(word, "mac_init") == 0) {
    const char* mac = nvram_get("wifiMacAddr");
    init_wifi_mac(driver::kRadioIf, mac ? mac : "");
  }
  if (is_WPS_enable() != 1) return 1;
  // Read for every action past the gate, whether it uses the PIN or not.
  const std::string device_pin = shell_quote(qd_get_wscpin("wifiWpsDevPIN"));
  for (const GatedAction& action : kGatedTable) {
    if (strcasecmp(word, action.word.data()) != 0) continue;
    action.run(device_pin.c_str());
    return 0;
  }
  // Also "restart" and "mac_init", whose work is done.
  return 1;
}
