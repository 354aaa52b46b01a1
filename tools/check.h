// The check of a settings file for integrators: what the driver or `qd_rc wlan start` will do
// with these settings that an integrator does not expect (an empty profile, no SSID at all, a
// list shifted by a ";", an SSID the driver cannot carry, keys qd_rc never reads, ...). It reads
// the settings with the program's own accessors and renders the profile with its own writer, on
// a scratch root; qd_rc itself is not involved. Each finding names the key, what the board will
// do and what to store instead.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "nvram_text.h"

namespace check {

struct Options {
  // Older drivers of this family read this much of the profile and ignore the rest.
  size_t profile_limit = 4096;
};

// Every finding the check can give, in the order of the checks.
enum class Rule : uint8_t {
  kNotSettings,         // neither an image, a working copy nor key=value text
  kImageMagic,          // an image's header with another magic
  kDamagedImage,        // cut short or a CRC mismatch
  kDamagedWorkingCopy,  // entries without "=", no terminator, bytes after it
  kSsidCountNone,       // wifiSSIDNum absent, empty, no number, zero or negative: no SSID
  kSsidCountText,       // wifiSSIDNum not a plain number, read as one above zero
  kSsidsSilent,         // more SSIDs than the driver beacons for
  kSsidsBeyondRadio,    // more SSIDs than the radio carries
  kHwmodeRefused,       // a wireless mode the profile writer refuses
  kListSemicolon,       // a ";" in a value of a ";"-list
  kLineBreak,           // a line break in a value that goes into a profile line
  kSsidLength,          // an SSID longer than 32 bytes
  kPassphrase,          // a WPA passphrase of the wrong length
  kWepKey,              // a WEP key of no WEP size
  kAccessListSize,      // more addresses than the driver's access list holds
  kAccessListEntry,     // an access-list entry from [32] on
  kKeyForm,             // a key qd_rc reads, in a form it does not read
  kLanNoAddress,        // lanConnIp4[2] or lanConnMask4[2] no address
  kLanLeadingZero,      // an address part with a leading zero: octal here, decimal for uClibc-ng
  kLanNotPlain,         // an address in a short or hexadecimal form
  kLanAbsent,           // no LAN address where the start needs one
  kWifiAuthDiffers,     // the bare wifiAuth differs from wifiAuth[0]
  kProfileLimit,        // a profile longer than older drivers read
};

// The rules' names, as the tests and docs/integration.md call them.
inline constexpr std::array<std::string_view, 23> kRuleNames = {
    "not-settings",    "image-magic",      "damaged-image",    "damaged-working-copy",
    "ssid-count-none", "ssid-count-text",  "ssids-silent",     "ssids-beyond-radio",
    "hwmode-refused",  "list-semicolon",   "line-break",       "ssid-length",
    "passphrase",      "wep-key",          "access-list-size", "access-list-entry",
    "key-form",        "lan-no-address",   "lan-leading-zero", "lan-not-plain",
    "lan-absent",      "wifiauth-differs", "profile-limit"};
static_assert(kRuleNames.size() == static_cast<size_t>(Rule::kProfileLimit) + 1);

struct Finding {
  Rule rule;
  std::string key;  // the settings key (with its index), or the file
  std::string reason;
};

// The findings for the settings of `file` (named `name` in file-level findings), in the order
// of the checks: the file, the radio, each SSID, the access lists, the LAN, WPS, the profile.
// A file that holds no settings, or an image that qd_rc would not load, gives one finding and
// nothing from its contents.
std::vector<Finding> check_settings(const nvram_text::SettingsFile& file, const std::string& name,
                                    const Options& options);

// The per-SSID keys whose values qd_rc joins into the profile's ";"-lists (SSID, WPAPSK, ...).
std::vector<std::string> list_keys();

}  // namespace check
