// The Ralink driver profile RT2860.dat, written whole from the settings at every start.
#pragma once

// 0 when the profile was written; 1 when it cannot be opened or the stored mode is 13 or
// more (the profile is then left empty).
int creat_ralink_wlan_config();
