// Per-SSID value lists.
#include "wlan/mulssid.h"

int is_dot1x_mode(int auth_mode) { return auth_mode == 3 || auth_mode == 6 || auth_mode == 7 ? 1 : 0; }
