// The command runner and the interface MAC query: how qd_rc acts on the system.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/paths.h"

// The runner's line: the command and its console redirection, with the terminating NUL.
inline constexpr size_t kCommandLineSize = 1024;
// The console redirection appended to every command (named in platform/paths.h).
inline constexpr const auto& kConsoleSuffix = paths::kConsoleSuffix;

// Formats a command like printf, sends its output to the console and runs it through
// /bin/sh, waiting for it. Its status is ignored; returns 0. A command that does not fit
// the 1024-byte line together with its console redirection is not run at all.
int SYSTEM(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Hardware address of `ifname`: 0 with `mac` filled, or -1 with `mac` unchanged.
[[nodiscard]] int qd_get_mac_if(const char* ifname, uint8_t mac[6]);
