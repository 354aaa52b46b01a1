// Radio MAC programming: the EEPROM words of the radio's address, rewritten only on change.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

using MacAddress = std::array<uint8_t, 6>;

// Six hexadecimal components separated by colons, as "%x:%x:%x:%x:%x:%x" reads them: before
// each component white space, a sign and a "0x" prefix are allowed, then one or more digits in
// any letter case; text after the sixth component is ignored. Nothing when a component is
// missing or malformed ("0x" without a digit included), or its value after the sign is above
// FF (so "-1" too), so that an EEPROM word is never formed from a cut-off value.
std::optional<MacAddress> parse_mac_text(std::string_view text);

// 0 when the address was right or has been written; -1 for an unusable text or an interface
// whose address cannot be read.
[[nodiscard]] int init_wifi_mac(const char* ifname, const char* mac_text);
