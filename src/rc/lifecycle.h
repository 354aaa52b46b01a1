// Start and stop of the access point: profile, VLANs, bridges, interfaces, WPS, 802.1X, LED.
#pragma once

// Both always 0: no step's failure stops the steps after it.
int wlan_start();
int wlan_stop();
