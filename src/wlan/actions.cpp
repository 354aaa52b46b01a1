// The special actions of wlan.
#include "wlan/actions.h"

int wlan_sp_fun(int, char**, int) { return 1; }
