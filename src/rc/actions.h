// The special actions of `qd_rc wlan <action>` and the `wlan show` text that lists them.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

// Show handler of "wlan": the list of special actions. Always 0.
int wlan_shower(int context);

// Special handler of "wlan": 1 for too few words, WPS off or no such action, and after
// "restart" and "mac_init"; 0 after any other action.
int wlan_sp_fun(int argc, char** argv, int context);

// One action word of wlan_sp_fun.
struct SpecialAction {
  std::string_view word;  // matched whole, without regard to letter case
  // Ungated actions run whatever WPS is and get no PIN; the others only past the WPS gate, with
  // the device PIN quoted for the shell.
  bool gated;
  void (*run)(const char* device_pin);
  // Its line in the `wlan show` list and that line's place there, from 1; an action that the
  // list leaves out has neither.
  std::string_view listed_as;
  int listed_at;
};

// Every action word, in the order they are compared: the two ungated ones first.
inline constexpr size_t kSpecialActionCount = 15;
extern const std::array<SpecialAction, kSpecialActionCount> kSpecialActions;

// The lines that wlan_shower prints, each followed by a line feed: a header, a title, and the
// listed actions in their places.
inline constexpr size_t kWlanShowLineCount = 14;
extern const std::array<std::string_view, kWlanShowLineCount> kWlanShowLines;
