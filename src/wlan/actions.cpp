// The special actions of `qd_rc wlan <action>`: restart and mac_init always, and past the WPS
// gate the WPS actions on ra0's driver, the new random credentials and the WPS LED. Action
// words are matched whole, without regard to letter case.
#include "wlan/actions.h"

#include <strings.h>

#include <array>
#include <string>

#include "nvram/nvram.h"
#include "rc/runner.h"
#include "wlan/driver.h"
#include "wlan/lifecycle.h"
#include "wlan/macprog.h"
#include "wlan/queries.h"
#include "wlan/random.h"
#include "wps/led.h"
#include "wps/wps.h"

namespace {

// GPIO line of the WPS LED.
constexpr unsigned kWpsLedGpio = 0;

void vendor_pin(const std::string& pin) { SYSTEM(driver::kWscVendorPin, pin.c_str()); }
void conf_mode(int mode) { SYSTEM(driver::kWscConfMode, mode); }
void conf_status(int status) { SYSTEM(driver::kWscConfStatus, status); }

void add_external_registrar(const std::string& pin) {
  vendor_pin(pin);
  conf_mode(driver::kWscConfModeOn);
  conf_status(driver::kWscConfigured);
}

void client_pin(const std::string&) {
  SYSTEM(driver::kWscStaPin, shell_quote(qd_get_wscpin("wifiWpsStaPIN")).c_str());
  conf_mode(driver::kWscConfModeOn);
  conf_status(driver::kWscConfigured);
  SYSTEM(driver::kWscMode, driver::kWscModePin);
  SYSTEM(driver::kWscGetConf, 1);
}

void client_pbc(const std::string& pin) {
  add_external_registrar(pin);
  SYSTEM(driver::kWscMode, driver::kWscModePbc);
  SYSTEM(driver::kWscGetConf, 1);
}

void wps_config(const std::string&) { conf_status(driver::kWscConfigured); }

void wps_clean(const std::string& pin) {
  vendor_pin(pin);
  conf_mode(driver::kWscConfModeOff);
}

void wps_reset(const std::string& pin) {
  wps_clean(pin);
  conf_mode(driver::kWscConfModeOn);
}

void unconfig(const std::string& pin) {
  wps_reset(pin);
  conf_status(driver::kWscUnconfigured);
}

void wps_change(const std::string&) { wps_random_value(); }
void wps_init(const std::string&) { init_wps(); }
void led_on(const std::string&) { ledWps(kWpsLedGpio, kLedInProgress); }
void led_off(const std::string&) { ledWps(kWpsLedGpio, kLedOff); }
void led_success(const std::string&) { ledWps(kWpsLedGpio, kLedSuccess); }

struct WpsAction {
  const char* word;
  void (*run)(const std::string& device_pin);  // the device PIN, already quoted for the shell
};

inline constexpr std::array<WpsAction, 13> kWpsActions = {{
    {"addER", add_external_registrar},
    {"clientPIN", client_pin},
    {"clientPBC", client_pbc},
    {"wps_config", wps_config},
    {"clientPBC_config", client_pbc},
    {"unconfig", unconfig},
    {"wps_change", wps_change},
    {"wps_clean", wps_clean},
    {"wps_reset", wps_reset},
    {"wps_init", wps_init},
    {"wpsled_on", led_on},
    {"wpsled_off", led_off},
    {"wpsled_success", led_success},
}};

}  // namespace

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
  for (const WpsAction& action : kWpsActions) {
    if (strcasecmp(word, action.word) != 0) continue;
    action.run(device_pin);
    return 0;
  }
  // Also "restart" and "mac_init", whose work is done.
  return 1;
}
