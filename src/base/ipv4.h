// Dotted-decimal IPv4 texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ipv4 {

// Exactly four decimal parts of 1 to 3 digits, each 0 to 255, nothing around them. Host order.
std::optional<uint32_t> parse(std::string_view text);
std::string format(uint32_t address);

}  // namespace ipv4
