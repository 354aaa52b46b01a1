// The check of a settings file for integrators: what the driver or `qd_rc wlan start` will do
// with these settings that an integrator does not expect (an empty profile, a list shifted by
// a ";", an SSID the driver cannot carry, keys qd_rc never reads, ...). It reads the settings
// with the program's own accessors and renders the profile with its own writer, on a scratch
// root; qd_rc itself is not involved.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "nvram_text.h"

namespace check {

struct Options {
  // Older drivers of this family read this much of the profile and ignore the rest.
  size_t profile_limit = 4096;
};

struct Finding {
  std::string key;  // the settings key (with its index), or the file
  std::string reason;
};

// The findings for the settings of `file` (named `name` in file-level findings), in the order
// of the checks: the file, the radio, each SSID, the access lists, the LAN, WPS, the profile.
std::vector<Finding> check_settings(const nvram_text::SettingsFile& file, const std::string& name,
                                    const Options& options);

// The per-SSID keys whose values qd_rc joins into the profile's ";"-lists (SSID, WPAPSK, ...).
std::vector<std::string> list_keys();

}  // namespace check
