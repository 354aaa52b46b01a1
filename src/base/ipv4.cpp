// IPv4 address texts in inet_aton's forms, and dotted-decimal text.
#include "base/ipv4.h"

#include <cstdio>

#include "base/text.h"

namespace ipv4 {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// One part at `pos` (a digit), which moves past it, with strtoul's base-0 rules: 0x and a hex
// digit start a hexadecimal number, a leading 0 an octal one. Nothing beyond 32 bits.
std::optional<uint32_t> parse_part(std::string_view text, size_t& pos) {
  unsigned base = 10;
  if (text[pos] == '0') {
    base = 8;
    if (pos + 2 < text.size() && (text[pos + 1] == 'x' || text[pos + 1] == 'X') &&
        text::hex_digit(text[pos + 2]) >= 0) {
      base = 16;
      pos += 2;
    }
  }
  uint32_t value = 0;
  for (; pos < text.size(); ++pos) {
    int digit = text::hex_digit(text[pos]);
    if (digit < 0 || static_cast<unsigned>(digit) >= base) break;
    if (__builtin_mul_overflow(value, base, &value) ||
        __builtin_add_overflow(value, static_cast<unsigned>(digit), &value))
      return std::nullopt;
  }
  return value;
}

}  // namespace

std::optional<uint32_t> parse(std::string_view text) {
  uint32_t address = 0;
  size_t bytes = 0;
  size_t pos = 0;
  for (;;) {
    if (pos >= text.size() || !is_digit(text[pos])) return std::nullopt;
    auto part = parse_part(text, pos);
    if (!part) return std::nullopt;
    if (pos < text.size() && text[pos] == '.') {
      if (bytes == 3 || *part > 0xFF) return std::nullopt;
      address |= *part << (24 - 8 * bytes);
      ++bytes;
      ++pos;
      continue;
    }
    if (pos < text.size() && text[pos] != '\0' && !is_space(text[pos])) return std::nullopt;
    // The last part fills the bits that the parts of one byte before it leave.
    if (*part > UINT32_MAX >> (8 * bytes)) return std::nullopt;
    return address | *part;
  }
}

std::string format(uint32_t address) {
  char text[16];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", address >> 24, (address >> 16) & 0xFF,
                (address >> 8) & 0xFF, address & 0xFF);
  return text;
}

}  // namespace ipv4
