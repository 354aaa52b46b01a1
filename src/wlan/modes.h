// What each stored mode number means: the authentication of an SSID (wifiAuth), its encryption
// (wifiEnc) and the radio's wireless mode (wifiHwmode). One row per number; the profile writer,
// the per-SSID lists, the queries, WPS, the random credentials and the settings check all read
// their facts here, so a new mode is one new row.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

// One stored wifiAuth number.
struct AuthModeFacts {
  std::string_view name;      // the profile's AuthMode
  bool psk = false;           // the key is the passphrase wifiWpapsk
  bool dot1x = false;         // the RADIUS server admits the stations: the start runs rt2860apd
  bool wep_by_dot1x = false;  // with WEP encryption, 802.1X hands out the WEP keys (IEEE8021X)
  bool wps = false;           // WPS can run with it
  bool timed_rekey = false;   // RekeyMethod TIME, else DISABLE (the first SSID's mode decides)
};

// Numbers beyond the named modes, 8 and up, have no name; callers rely on their rekey method
// being TIME all the same, as for every number from 2 on.
inline constexpr std::array<AuthModeFacts, 9> kWifiAuthModes = {{
    {.name = "OPEN", .wep_by_dot1x = true, .wps = true},
    {.name = "WEPAUTO"},
    {.name = "WPAPSKWPA2PSK", .psk = true, .wps = true, .timed_rekey = true},
    {.name = "WPA1WPA2", .dot1x = true, .timed_rekey = true},
    {.name = "WPAPSK", .psk = true, .wps = true, .timed_rekey = true},
    {.name = "WPA2PSK", .psk = true, .wps = true, .timed_rekey = true},
    {.name = "WPA", .dot1x = true, .timed_rekey = true},
    {.name = "WPA2", .dot1x = true, .timed_rekey = true},
    {.name = "", .timed_rekey = true},
}};

// One stored wifiEnc number.
struct EncryptionFacts {
  std::string_view name;  // the profile's EncrypType
  bool wep = false;       // the SSID's WEP keys (Key1Str to Key4Str) are its keys
};

// Numbers from 5 on have no name.
inline constexpr std::array<EncryptionFacts, 6> kWifiEncryptions = {{
    {.name = "NONE"},
    {.name = "WEP", .wep = true},
    {.name = "TKIP"},
    {.name = "AES"},
    {.name = "TKIPAES"},
    {.name = ""},
}};

// The driver's WirelessMode numbers are those of the stored modes; the radio, a 2.4 GHz one,
// has no 802.11a mode, whose numbers have no WirelessMode of their own and are written as 9.
inline constexpr int kNoWirelessMode = -1;
inline constexpr int kUnlistedWirelessMode = 9;

// One stored wifiHwmode number.
struct HwmodeFacts {
  std::string_view standards;               // the 802.11 standards of the mode
  int wireless_mode = kNoWirelessMode;      // the profile's WirelessMode
  std::string_view fixed_tx_mode = "OFDM";  // FixedTxMode
  int basic_rate = 15;                      // BasicRate, a bit set of rates
  bool n_related = false;  // 802.11n: HT_MCS from wifiMcs, and 40 MHz when wifiBandwidth is 1
};

// Numbers from 11 on take the defaults of a mode without WirelessMode (kUnlistedHwmode).
inline constexpr std::array<HwmodeFacts, 11> kWifiHwmodes = {{
    {.standards = "802.11b/g", .wireless_mode = 0},
    {.standards = "802.11b", .wireless_mode = 1, .fixed_tx_mode = "HT", .basic_rate = 3},
    {.standards = "802.11a"},
    {.standards = "802.11a/b/g"},
    {.standards = "802.11g", .wireless_mode = 4, .basic_rate = 351},
    {.standards = "802.11a/b/g/n"},
    {.standards = "802.11n", .wireless_mode = 6, .fixed_tx_mode = "HT", .n_related = true},
    {.standards = "802.11g/n", .wireless_mode = 7, .fixed_tx_mode = "HT", .n_related = true},
    {.standards = "802.11a/n"},
    {.standards = "802.11b/g/n", .wireless_mode = 9, .fixed_tx_mode = "HT", .n_related = true},
    {.standards = "802.11a/g/n"},
}};
inline constexpr HwmodeFacts kUnlistedHwmode = {};

// Stored wireless modes from this number on are refused: the profile writer leaves the profile
// empty.
inline constexpr int kFirstRefusedHwmode = 13;

// The row of a stored number: a number beyond the table (or negative) reads as the table's last
// row, the unnamed one, for authentication and encryption, and as kUnlistedHwmode for the
// wireless mode.
template <class Row, size_t Size>
constexpr const Row& row_or(const std::array<Row, Size>& rows, int number, const Row& beyond) {
  return number >= 0 && static_cast<size_t>(number) < Size ? rows[static_cast<size_t>(number)] : beyond;
}
constexpr const AuthModeFacts& auth_mode_of(int number) {
  return row_or(kWifiAuthModes, number, kWifiAuthModes.back());
}
constexpr const EncryptionFacts& encryption_of(int number) {
  return row_or(kWifiEncryptions, number, kWifiEncryptions.back());
}
constexpr const HwmodeFacts& hwmode_of(int number) { return row_or(kWifiHwmodes, number, kUnlistedHwmode); }

// The stored number of the row whose `field` is `value`: the number a setting holds for it.
template <class Row, size_t Size, class Field>
constexpr int number_of(const std::array<Row, Size>& rows, Field Row::*field, std::string_view value) {
  for (size_t i = 0; i < Size; ++i)
    if (rows[i].*field == value) return static_cast<int>(i);
  return -1;
}

// A stored number as the settings hold it, as decimal text: one digit, as every table is
// shorter than ten rows. A number that no row has (-1 from number_of) does not build.
struct NumberText {
  char text[2];
};
consteval NumberText stored_text(int number) { return {{"0123456789"[number], '\0'}}; }

// The tables of the names as the profile writes them, and of the driver's WirelessMode for
// each stored mode (-1 where it has none of its own).
template <class Row, size_t Size, class Field>
constexpr std::array<Field, Size> column(const std::array<Row, Size>& rows, Field Row::*field) {
  std::array<Field, Size> values{};
  for (size_t i = 0; i < Size; ++i) values[i] = rows[i].*field;
  return values;
}
inline constexpr auto wifiAuth2AuthMode = column(kWifiAuthModes, &AuthModeFacts::name);
inline constexpr auto wifiEnc2EncrypType = column(kWifiEncryptions, &EncryptionFacts::name);
inline constexpr auto dot11mode2WirelessMode = column(kWifiHwmodes, &HwmodeFacts::wireless_mode);

// What the rows must hold, checked as the program is built.
constexpr bool auth_modes_sound() {
  for (size_t i = 0; i < kWifiAuthModes.size(); ++i) {
    const AuthModeFacts& mode = kWifiAuthModes[i];
    // A PSK mode has no RADIUS server, and WPS hands out a passphrase, never 802.1X.
    if ((mode.psk && mode.dot1x) || (mode.wps && mode.dot1x)) return false;
    // Names are unique; only the last row, which numbers beyond the table share, has none.
    if (mode.name.empty() != (i + 1 == kWifiAuthModes.size())) return false;
    for (size_t j = 0; j < i; ++j)
      if (kWifiAuthModes[j].name == mode.name) return false;
  }
  return true;
}
static_assert(auth_modes_sound() && kWifiAuthModes.size() < 10);

constexpr bool encryptions_sound() {
  for (size_t i = 0; i < kWifiEncryptions.size(); ++i) {
    if (kWifiEncryptions[i].name.empty() != (i + 1 == kWifiEncryptions.size())) return false;
    for (size_t j = 0; j < i; ++j)
      if (kWifiEncryptions[j].name == kWifiEncryptions[i].name) return false;
  }
  return true;
}
static_assert(encryptions_sound() && kWifiEncryptions.size() < 10);

constexpr bool hwmodes_sound() {
  for (size_t i = 0; i < kWifiHwmodes.size(); ++i) {
    const HwmodeFacts& mode = kWifiHwmodes[i];
    // Where the radio has the mode, the driver's number is the stored one.
    bool listed = mode.wireless_mode != kNoWirelessMode;
    if (listed && mode.wireless_mode != static_cast<int>(i)) return false;
    // 802.11n modes are modes of the radio, sent as HT.
    if (mode.n_related && (!listed || mode.fixed_tx_mode != "HT")) return false;
  }
  // The number written for a mode without its own is one of the radio's modes.
  return hwmode_of(kUnlistedWirelessMode).wireless_mode == kUnlistedWirelessMode &&
         kWifiHwmodes.size() <= static_cast<size_t>(kFirstRefusedHwmode);
}
static_assert(hwmodes_sound());
