// The real qd_rc for the hardening tests that signal or kill it: started in a mount namespace
// of its own (a private tmpfs on /tmp, /bin/sh bound to `true`, so that nothing else sees its
// files and no command runs), and the settings files it leaves read back.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

#include "store.h"

namespace real_run {

constexpr int kSkip = 77;  // CTest's skip: no root for the namespace

// Keeps the program open (the tmpfs on /tmp may hide its path) and enters the namespace.
// False when either cannot be had.
bool enter(const char* program);

// Starts qd_rc with `words` and `environment` (NAME=VALUE, added to this process's), standard
// output and error to `output` (a file made new) or /dev/null.
pid_t start(std::vector<std::string> words, const std::vector<std::string>& environment = {},
            const char* output = nullptr);
// The wait status of `pid`.
int wait_for(pid_t pid);
// Runs qd_rc with `words`; after `delay_us` (when not negative) sends `signal`. The wait status.
int run(const std::vector<std::string>& words, long delay_us = -1, int signal = 0);

bool write_file(const char* path, std::string_view bytes);
// The file's bytes; empty when it cannot be read.
std::string read_file(const char* path);
bool exists(const char* path);

// The entries of a list up to its terminator; `unkeyed` tells of an entry without "=", and
// `exact_end` whether the bytes end right after the terminator.
support::Settings entries_of(std::string_view list, bool& unkeyed, bool& exact_end);

// The sets of `wlan wps_change` in their order, with values that each new one differs from (the
// name and the passphrase in length, so that their sets rewrite the list from the middle on).
extern const support::Settings kGroup;
// The WPS gate open: the radio, the first SSID and WPS on.
extern const support::Settings kGate;
// 64 KB of settings with the gate at the start and the group halfway.
support::Settings group_store();
// A value that wps_change writes for the group's key `i`.
bool new_value(size_t i, std::string_view value);
// How many of the group's sets `store` holds, in their order (0 to 5), or -1 when it is not
// `original` with the first so many sets done, byte for byte. `torn`: a key of the original
// gone, or an entry without "=".
int sets_done(const std::string& store, const support::Settings& original, bool& torn);

}  // namespace real_run
