// The special actions of `qd_rc wlan <action>`: restart and mac_init always, and past the WPS
// gate the WPS actions on ra0's driver, the new random credentials and the WPS LED. Action
// words are matched whole, without regard to letter case.
#include "rc/actions.h"

#include <strings.h>

#include <string>

#include "base/shell.h"
#include "nvram/nvram.h"
#include "platform/messages.h"
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

void restart(const char*) {
  wlan_stop();
  wlan_start();
}
void mac_init(const char*) {
  const char* mac = nvram_get("wifiMacAddr");
  // -1, no usable address or no ra0, changes nothing: the action's status is 1 either way.
  static_cast<void>(init_wifi_mac(driver::kRadioIf, mac ? mac : ""));
}
void client_pin(const char*) { wsc_client_pin(shell_quote(qd_get_wscpin("wifiWpsStaPIN")).c_str()); }
void wps_config(const char*) { wsc_configured(); }
// 1, no random bytes, leaves the credentials as they were (a device that cannot be opened is
// told on standard output); the action's status is 0 either way.
void wps_change(const char*) { static_cast<void>(wps_random_value()); }
void wps_init(const char*) { init_wps(); }
// A failed LED request is told on standard error (set_gpio_led); the action's status is 0.
void led_on(const char*) { static_cast<void>(ledWps(kWpsLedGpio, kWpsLedInProgress)); }
void led_off(const char*) { static_cast<void>(ledWps(kWpsLedGpio, kWpsLedOff)); }
void led_success(const char*) { static_cast<void>(ledWps(kWpsLedGpio, kWpsLedSuccess)); }

// A listed action stands in double quotes after a tab, but for three lines that callers rely on
// as they are: "init_wps" for the word wps_init, "clientPBC_config" without its tab, and a blank
// after "wps_change".
constexpr bool listed_as_callers_read(const SpecialAction& action) {
  if (action.listed_at == 0) return action.listed_as.empty();
  if (action.word == "wps_init") return action.listed_as == "\t\"init_wps\"";
  if (action.word == "clientPBC_config") return action.listed_as == "\"clientPBC_config\"";
  if (action.word == "wps_change") return action.listed_as == "\t\"wps_change\" ";
  const std::string_view line = action.listed_as;
  return line.size() == action.word.size() + 3 && line.starts_with("\t\"") && line.ends_with('"') &&
         line.substr(2, action.word.size()) == action.word;
}

}  // namespace

constexpr std::array<SpecialAction, kSpecialActionCount> kSpecialActions = {{
    {"restart", false, restart, "\t\"restart\"", 1},
    {"mac_init", false, mac_init, "\t\"mac_init\"", 10},
    {"addER", true, wsc_add_er, "\t\"addER\"", 2},
    {"clientPIN", true, client_pin, "\t\"clientPIN\"", 3},
    {"clientPBC", true, wsc_client_pbc, "\t\"clientPBC\"", 4},
    {"wps_config", true, wps_config, "\t\"wps_config\"", 12},
    {"clientPBC_config", true, wsc_client_pbc, "\"clientPBC_config\"", 11},
    {"unconfig", true, wsc_unconfig, "\t\"unconfig\"", 5},
    {"wps_change", true, wps_change, "\t\"wps_change\" ", 6},
    {"wps_clean", true, wsc_clean, "\t\"wps_clean\"", 7},
    {"wps_reset", true, wsc_reset, "\t\"wps_reset\"", 8},
    {"wps_init", true, wps_init, "\t\"init_wps\"", 9},
    {"wpsled_on", true, led_on, {}, 0},
    {"wpsled_off", true, led_off, {}, 0},
    {"wpsled_success", true, led_success, {}, 0},
}};

constexpr std::array<std::string_view, kWlanShowLineCount> kWlanShowLines = [] {
  std::array<std::string_view, kWlanShowLineCount> lines = {"wlan:", "wlan special function list: "};
  for (const SpecialAction& action : kSpecialActions)
    if (action.listed_at > 0) lines[static_cast<size_t>(action.listed_at) + 1] = action.listed_as;
  return lines;
}();

namespace {

// Ungated words first; no word twice, whatever its case; each listed action in a place of its
// own, as callers read it; every line filled.
constexpr bool actions_sound() {
  bool gated_seen = false;
  size_t listed = 0;
  for (size_t i = 0; i < kSpecialActions.size(); ++i) {
    const SpecialAction& action = kSpecialActions[i];
    if ((gated_seen && !action.gated) || !listed_as_callers_read(action)) return false;
    gated_seen = gated_seen || action.gated;
    listed += action.listed_at > 0;
    for (size_t j = 0; j < i; ++j) {
      const SpecialAction& other = kSpecialActions[j];
      if (other.listed_at > 0 && other.listed_at == action.listed_at) return false;
      if (other.word.size() != action.word.size()) continue;
      bool same = true;
      for (size_t k = 0; k < action.word.size(); ++k)
        same = same && (action.word[k] | 0x20) == (other.word[k] | 0x20);
      if (same) return false;
    }
  }
  for (std::string_view line : kWlanShowLines)
    if (line.empty()) return false;
  return listed + 2 == kWlanShowLines.size();
}
static_assert(actions_sound());

const SpecialAction* find_action(const char* word) {
  for (const SpecialAction& action : kSpecialActions)
    if (strcasecmp(word, action.word.data()) == 0) return &action;
  return nullptr;
}

}  // namespace

// Every line is a whole literal, so each view ends at a NUL.
int wlan_shower(int) {
  for (std::string_view line : kWlanShowLines) platform::print_line(line.data());
  return 0;
}

int wlan_sp_fun(int argc, char** argv, int) {
  if (argc < 3) return 1;
  const SpecialAction* action = find_action(argv[2]);
  if (action && !action->gated) action->run(nullptr);
  if (is_WPS_enable() != 1) return 1;
  // Read for every action past the gate, whether it uses the PIN or not.
  const std::string device_pin = shell_quote(qd_get_wscpin("wifiWpsDevPIN"));
  // Also "restart" and "mac_init", whose work is done.
  if (!action || !action->gated) return 1;
  action->run(device_pin.c_str());
  return 0;
}
