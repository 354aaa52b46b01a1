// Small non-throwing text helpers shared by every subsystem.
#pragma once

#include <climits>
#include <string_view>

namespace text {

// The leading decimal number of a text as atoi(3) reads it: optional white space, an optional
// sign, then digits up to the first other character; no digits give 0. Unlike atoi, a number
// beyond the range of int saturates instead of being undefined.
constexpr int parse_int(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  long long value = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    value = value * 10 + (s[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  return static_cast<int>(value);
}

static_assert(parse_int("12abc") == 12 && parse_int("  -5") == -5 && parse_int("x1") == 0);
static_assert(parse_int("99999999999") == INT_MAX && parse_int("-99999999999") == INT_MIN);

// The value of a hexadecimal digit, or -1 for any other character.
constexpr int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

static_assert(hex_digit('9') == 9 && hex_digit('b') == 11 && hex_digit('F') == 15 && hex_digit('g') == -1);

// "Begins with 1": the first character is the digit 1 (an absent or empty value never is).
constexpr bool begins_with_1(const char* s) { return s && s[0] == '1'; }

// The text up to its first line feed or carriage return: what a one-line file format can
// hold of a value without the value adding lines of its own.
constexpr std::string_view first_line(std::string_view s) {
  size_t end = s.find_first_of("\r\n");
  return end == std::string_view::npos ? s : std::string_view(s.data(), end);
}

static_assert(first_line("a\nb") == "a" && first_line("a\rb") == "a" && first_line("ab") == "ab");

}  // namespace text
