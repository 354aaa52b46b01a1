// The Ralink driver profile RT2860.dat.
#include "wlan/profile.h"

int creat_ralink_wlan_config() { return 1; }
