// WPS set-up on ra0, its UPnP registrar side, the WPS PIN and the device's LAN address.
#pragma once

#include <optional>
#include <string>

int init_wps();
int start_wsc_upnp();
int stop_wsc_upnp();

inline constexpr char kDefaultWpsPin[] = "31756044";

// The stored PIN under `key` when its leading run of digits is exactly eight long (the rest
// is not examined), else the default PIN. Not to be freed.
const char* qd_get_wscpin(const char* key);

// The address k below the broadcast address of the subnet of `address` and `mask`, as
// dotted text. Nothing when the mask is null or either text is not a dotted IPv4 address.
std::optional<std::string> get_lastIP_in_subet(const char* address, const char* mask, unsigned k);
