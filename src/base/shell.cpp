// Quoting of settings values for /bin/sh.
#include "base/shell.h"

#include <cstring>

namespace {

bool is_plain(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         std::strchr("._-:/,+@%=", c) != nullptr;
}

}  // namespace

std::string shell_quote(std::string_view value) {
  bool plain = true;
  for (unsigned char c : value) plain = plain && c != 0 && is_plain(c);
  if (plain) return std::string(value);
  std::string quoted = "'";
  for (char c : value) {
    if (c == '\'')
      quoted += "'\\''";
    else
      quoted += c;
  }
  quoted += '\'';
  return quoted;
}
