// The command runner: printf-style formatting into one fixed line, console redirection,
// /bin/sh, wait, a 1 µs pause.
#include "rc/runner.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace {

constexpr size_t kLineSize = 1024;
constexpr char kConsoleSuffix[] = " >/dev/console 2>&1";

bool is_plain(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         std::strchr("._-:/,+@%=", c) != nullptr;
}

}  // namespace

int SYSTEM(const char* format, ...) {
  char line[kLineSize];
  va_list args;
  va_start(args, format);
  int length = std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  // Never run a cut-off command: a truncated line could mean something else entirely.
  if (length < 0 || static_cast<size_t>(length) + sizeof kConsoleSuffix > sizeof line) {
    std::fputs("qd_rc: command too long\n", stderr);
    return 0;
  }
  std::memcpy(line + length, kConsoleSuffix, sizeof kConsoleSuffix);
  // Keep our own diagnostics in order with what the command writes.
  std::fflush(stdout);
  platform::run_shell(line);
  platform::pause_us(1);
  return 0;
}

int qd_get_mac_if(const char* ifname, uint8_t mac[6]) {
  return platform::interface_hwaddr(ifname, mac);
}

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
