// Start and stop of the access point: profile, VLANs, bridges, interfaces, WPS, 802.1X, LED.
#pragma once

int wlan_start();
int wlan_stop();
