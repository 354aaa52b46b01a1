// Running the program's own code in the test process (in_place/run.h: a command line through
// qd_rc_main, the program's children in place of the processes they would be), the lists it
// acts on, and what the shell makes of a recorded line.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "in_place/run.h"
#include "scratch.h"
#include "store.h"

namespace support {

// Every action word of `qd_rc wlan <action>`, from the program's own tables: show, start,
// stop, then the special actions in the order the special handler compares them.
std::vector<std::string> action_words();

using in_place::command_of;
using in_place::run_children_in_process;
using in_place::run_qd_rc;

// Every recorded shell line so far, without its redirection.
std::vector<std::string> recorded_commands();

// The keys that a command line reads, in the order of their first read: the settings lie in
// a damaged image only (the start-up load refuses it), so that each get finds its key through
// the image fallback, which appends the key to the (at first empty) working copy. Children
// run in place; standard output is discarded.
std::vector<std::string> keys_read(const ScratchRoot& root, const Settings& settings,
                                   std::vector<std::string> words);

// The argument vector that /bin/sh makes of `command` (without its redirection), in
// `directory` when one is given (so that a glob in the line could match the files there).
std::vector<std::string> shell_words(const std::string& command, const std::string& directory = {});

}  // namespace support
