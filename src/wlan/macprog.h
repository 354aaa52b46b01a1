// Radio MAC programming: the EEPROM words of the radio's address, rewritten only on change.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

using MacAddress = std::array<uint8_t, 6>;

// Six hexadecimal components separated by colons, as "%x:%x:%x:%x:%x:%x" reads them (blanks
// before a component and a "0x" prefix allowed, one or more digits, any letter case); text
// after the sixth component is ignored. Nothing when a component is missing, malformed or
// above FF, so that an EEPROM word is never formed from a cut-off value.
std::optional<MacAddress> parse_mac_text(std::string_view text);

// 0 when the address was right or has been written; -1 for an unusable text or an interface
// whose address cannot be read.
int init_wifi_mac(const char* ifname, const char* mac_text);
