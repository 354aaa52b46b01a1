// Hostile settings: values that would run a canary command if a line took them unquoted, and
// the checks that a command line or a store stayed what the program meant.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "in_place/keys.h"

namespace support {

// Values that run `touch <canary>` if a shell line took them as syntax. Each begins with eight
// digits, so that it also passes as a WPS PIN.
std::vector<std::string> hostile_pins(const std::string& canary);

// Empty when every character of the line outside single quotes is plain (so the shell splits
// it into the words the program formed and runs exactly one command); otherwise what is
// wrong. The console redirection and the LED lines are the program's own syntax.
std::string unquoted_hazard(std::string_view line);

// A settings list the store can trust: entries up to an empty string that ends the data exactly.
bool well_formed_list(std::string_view list);

// Every key the program reads, as stored: bare keys as they are, per-SSID keys for SSIDs
// 0..`ssids`-1, the LAN keys at their index, the access lists at entries 0..`entries`-1.
using in_place::stored_keys;
// The same, as base names (without an index), each once.
std::vector<std::string> base_keys();

}  // namespace support
