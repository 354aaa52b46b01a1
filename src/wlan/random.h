// Fresh random credentials for the first SSID ("wps_change"), drawn from /dev/urandom.
#pragma once

#include <cstddef>
#include <cstdint>

// Fills `buf` with `count` bytes of /dev/urandom: 0, or 1 when the device cannot be opened
// ("Could not open /dev/urandom" on standard output) or gives fewer bytes.
[[nodiscard]] int get_random_bytes(void* buf, size_t count);

// Length of a new passphrase, 8 to 15, from a 16-bit random value.
constexpr size_t psk_length(uint16_t r) { return 8 + (13579u * r + 771164989u) % 8; }
static_assert(psk_length(0) == 8 + 5 && psk_length(1) == 8 && psk_length(65535) == 8 + 2);

// A new network name "KES_" + 1..27 characters in wifiBssid[0]: 0, or 1 when the random
// device is unusable (the setting is then left alone).
[[nodiscard]] int set_random_ssid();
// A new passphrase of 8..15 characters in wifiWpapsk[0]: 0, or 1 as above.
[[nodiscard]] int set_random_psk();
// "wps_change": WPA2-PSK/AES with a new name and passphrase for SSID 0, WPS configured. Both
// texts are generated first; the settings are written only when both are ready. 0 or 1.
[[nodiscard]] int wps_random_value();
