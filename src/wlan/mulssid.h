// Per-SSID value lists: the values of SSIDs 0..count-1 joined with ";" for the driver profile.
// Every builder returns the one process-wide list buffer (mulssid_buf), valid until the next
// list is built; a count of 0 or less gives the empty text. The buffer grows with the list, so
// no list is ever cut short. Each item is one profile value: it is cut at its first line break.
#pragma once

// Item i: the key's value at index i; absent or empty gives "0".
const char* mulssid_get(const char* key, int count);
// The value repeated count times.
const char* mulssid_append(const char* value, int count);
// Item i: "1" when SSID i's chosen WEP key `key_number` is 5 or 13 characters long, else "0".
// The key is wifiWep128Key<n>[i] when length_key[i] is exactly "128", else wifiWep64Key<n>[i].
const char* WEP_Type_multiSSID(const char* length_key, int count, int key_number);
// Item i: SSID i's chosen WEP key text (chosen as above); absent or empty gives "0".
const char* WEP_Key_multiSSID(const char* length_key, int count, int key_number);
// Item i: "1" when SSID i's wifiAuth and wifiEnc make WEP with keys from 802.1X (OPEN with WEP,
// wlan/modes.h), else "0".
const char* _8021X_WEP_multiSSID(int count);
// 1 for the authentication modes that need the RADIUS server (WPA1WPA2, WPA, WPA2), 0 for
// every other number, negative ones included.
int is_dot1x_mode(int auth_mode);
