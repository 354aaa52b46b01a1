// The driver's WPS commands on ra0 and the action sequences built from them.
#include "wps/wsc.h"

#include "runner/runner.h"
#include "wlan/driver.h"

void wsc_vendor_pin(const char* pin) { SYSTEM(driver::kWscVendorPin, pin); }
void wsc_conf_mode(int mode) { SYSTEM(driver::kWscConfMode, mode); }
void wsc_conf_status(int status) { SYSTEM(driver::kWscConfStatus, status); }
void wsc_get_conf(int start) { SYSTEM(driver::kWscGetConf, start); }

void wsc_add_er(const char* device_pin) {
  wsc_vendor_pin(device_pin);
  wsc_conf_mode(driver::kWscConfModeOn);
  wsc_conf_status(driver::kWscConfigured);
}

void wsc_client_pin(const char* station_pin) {
  SYSTEM(driver::kWscStaPin, station_pin);
  wsc_conf_mode(driver::kWscConfModeOn);
  wsc_conf_status(driver::kWscConfigured);
  SYSTEM(driver::kWscMode, driver::kWscModePin);
  wsc_get_conf(1);
}

void wsc_client_pbc(const char* device_pin) {
  wsc_add_er(device_pin);
  SYSTEM(driver::kWscMode, driver::kWscModePbc);
  wsc_get_conf(1);
}

void wsc_configured() { wsc_conf_status(driver::kWscConfigured); }

void wsc_clean(const char* device_pin) {
  wsc_vendor_pin(device_pin);
  wsc_conf_mode(driver::kWscConfModeOff);
}

void wsc_reset(const char* device_pin) {
  wsc_clean(device_pin);
  wsc_conf_mode(driver::kWscConfModeOn);
}

void wsc_unconfig(const char* device_pin) {
  wsc_reset(device_pin);
  wsc_conf_status(driver::kWscUnconfigured);
}
