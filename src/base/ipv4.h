// IPv4 address texts: read as the C library's inet_aton(3) reads them, written dotted-decimal.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ipv4 {

// The address in host order, by inet_aton's rules (the ones the gateway's ifconfig and route
// apply to the same setting): one to four parts separated by dots, a, a.b (b of 24 bits),
// a.b.c (c of 16 bits) or a.b.c.d, each part but the last at most 255; each part begins with a
// digit and is decimal, octal after a leading 0 or hexadecimal after 0x. The address ends at
// the end of the text, at a zero byte or at white space (what follows is not looked at).
// Nothing for any other text.
std::optional<uint32_t> parse(std::string_view text);
std::string format(uint32_t address);

}  // namespace ipv4
