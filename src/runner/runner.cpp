// The command runner: printf-style formatting into one fixed line, console redirection,
// /bin/sh, wait, a 1 µs pause.
#include "runner/runner.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/messages.h"
#include "platform/system.h"

int SYSTEM(const char* format, ...) {
  char line[kCommandLineSize];
  va_list args;
  va_start(args, format);
  int length = std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  // Never run a cut-off command: a truncated line could mean something else entirely.
  if (length < 0 || static_cast<size_t>(length) + sizeof kConsoleSuffix > sizeof line) {
    platform::notice("qd_rc: command too long\n");
    return 0;
  }
  std::memcpy(line + length, kConsoleSuffix, sizeof kConsoleSuffix);
  // Keep our own diagnostics in order with what the command writes.
  platform::flush_output();
  static_cast<void>(platform::run_shell(line));  // its status is ignored
  platform::pause_us(1);
  return 0;
}

int qd_get_mac_if(const char* ifname, uint8_t mac[6]) { return platform::interface_hwaddr(ifname, mac); }
