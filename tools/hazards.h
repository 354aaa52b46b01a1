// What previewed shell lines do to the board beyond the radio, one reason a line: the radio's
// EEPROM written, br0's address or the default route changed, the loopback interface taken
// down, VLANs of the wired side joined into the LAN bridge, a module removed and not loaded
// again in the same run, processes ended by name.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace preview {

// The program of a driver command line or format: "/bin/iwpriv" of "/bin/iwpriv %s e2p ...".
std::string_view first_word(std::string_view line);
// A command format up to its first conversion: "/sbin/ifconfig br0 " of "/sbin/ifconfig br0 %s".
std::string_view fixed_part(std::string_view format);

// The hazards of line `index` of `lines` (every recorded line of the run, in order: a later
// line may load again what this one removes).
std::vector<std::string> line_hazards(const std::vector<std::string>& lines, size_t index);

}  // namespace preview
