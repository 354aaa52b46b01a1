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

// The device's address on the LAN bridge br0: get_lastIP_in_subet of lanConnIp4[2] and
// lanConnMask4[2] with k = 1. Nothing, with one line on standard error, when they do not
// hold a dotted IPv4 address and mask.
std::optional<std::string> lan_bridge_address();
