// The command runner and the interface MAC query: how qd_rc acts on the system.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Formats a command like printf, sends its output to the console and runs it through
// /bin/sh, waiting for it. Its status is ignored; returns 0. A command that does not fit
// the 1024-byte line together with its console redirection is not run at all.
int SYSTEM(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Hardware address of `ifname`: 0 with `mac` filled, or -1 with `mac` unchanged.
int qd_get_mac_if(const char* ifname, uint8_t mac[6]);

// A settings value as one literal shell word. Ordinary values (letters, digits and
// ._-:/,+@%=) come back unchanged, so their command lines stay byte-identical; anything
// else is single-quoted, so that no value can add a command or an argument.
std::string shell_quote(std::string_view value);
