// Start and stop of the access point.
#include "wlan/lifecycle.h"

int wlan_start() { return 0; }
int wlan_stop() { return 0; }
