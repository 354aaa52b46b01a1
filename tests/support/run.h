// Running the program's own code in the test process: a command line through qd_rc_main,
// the program's children ("/sbin/qd_rc wlan ...") in place of the processes they would be,
// and what the shell makes of a recorded line.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "scratch.h"
#include "store.h"

namespace support {

// Every action word of `qd_rc wlan <action>`, from the program's own tables: show, start,
// stop, then the special actions in the order the special handler compares them.
std::vector<std::string> action_words();

// Runs qd_rc_main with these words; the program name comes first. Returns the exit status.
int run_qd_rc(std::vector<std::string> words);

// From now on, a recorded "/sbin/qd_rc wlan <action> >/dev/console 2>&1" also runs that
// action in-process, as the child process would, so that its commands follow the line.
// `also` runs first for every line.
void run_children_in_process(std::function<void(const std::string&)> also = {});

// A recorded line without the console redirection that the command runner adds.
std::string_view command_of(std::string_view line);
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
