// The special actions of `qd_rc wlan <action>`: restart, mac_init and the WPS and LED actions.
#pragma once

// Special handler of "wlan": 1 for too few words, WPS off or no such action, and after
// "restart" and "mac_init"; 0 after any other action.
int wlan_sp_fun(int argc, char** argv, int context);
