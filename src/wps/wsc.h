// The driver's WPS (WSC) commands on ra0, and the sequences of them that the WPS actions send.
// Every sequence runs its iwpriv lines in order through the command runner; a PIN argument is
// already quoted for the shell.
#pragma once

// One iwpriv command each.
void wsc_vendor_pin(const char* pin);  // the access point's own PIN
void wsc_conf_mode(int mode);          // 0 WPS off, 7 WPS on
void wsc_conf_status(int status);      // 1 unconfigured, 2 configured
void wsc_get_conf(int start);          // 1 begins the WPS exchange, 0 ends it

// "addER": admit an external registrar with the device PIN.
void wsc_add_er(const char* device_pin);
// "clientPIN": admit the station whose PIN is `station_pin`.
void wsc_client_pin(const char* station_pin);
// "clientPBC", "clientPBC_config": the push-button method.
void wsc_client_pbc(const char* device_pin);
// "wps_config": mark the access point configured.
void wsc_configured();
// "wps_clean": WPS off.
void wsc_clean(const char* device_pin);
// "wps_reset": WPS off and on again.
void wsc_reset(const char* device_pin);
// "unconfig": WPS off and on again, unconfigured.
void wsc_unconfig(const char* device_pin);
