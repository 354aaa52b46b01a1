// Fresh random credentials for the first SSID ("wps_change").
#pragma once

#include <cstddef>

// Fills `buf` with `count` bytes of /dev/urandom: 0, or 1 when the device cannot be opened.
int get_random_bytes(void* buf, size_t count);
int set_random_ssid();
int set_random_psk();
int wps_random_value();
