// Reading a driver profile back: its key=value lines after the two header lines.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace support {

using ProfileLines = std::vector<std::pair<std::string, std::string>>;

// The key=value lines in order. `error` tells what is wrong when the header differs from the
// product's, a line is not one key=value line (a key of letters, digits and "_", then "="),
// or the text does not end with a line feed; the lines up to the fault are returned. An
// empty profile has no lines and no error.
ProfileLines parse_profile(std::string_view profile, std::string& error);
std::vector<std::string> keys_of(const ProfileLines& lines);

}  // namespace support
