// The special actions of `qd_rc wlan <action>` and the `wlan show` text that lists them.
#pragma once

#include <array>
#include <string_view>

// Show handler of "wlan": the list of special actions.
int wlan_shower(int context);

// Special handler of "wlan": 1 for too few words, WPS off or no such action, and after
// "restart" and "mac_init"; 0 after any other action.
int wlan_sp_fun(int argc, char** argv, int context);

// Every action word that wlan_sp_fun acts on, in the order it compares them: the two that
// work whatever WPS is, then those behind the WPS gate.
inline constexpr std::array<std::string_view, 2> kUngatedActions = {"restart", "mac_init"};
inline constexpr std::array<std::string_view, 13> kGatedActions = {
    "addER",     "clientPIN", "clientPBC", "wps_config", "clientPBC_config", "unconfig",      "wps_change",
    "wps_clean", "wps_reset", "wps_init",  "wpsled_on",  "wpsled_off",       "wpsled_success"};
