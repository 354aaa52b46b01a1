// Running qd_rc's own code in this process, on the recording platform: a command line through
// qd_rc_main, and the program's children ("/sbin/qd_rc wlan ...") in place of the processes
// they would be, so that their shell lines follow the line that started them.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace in_place {

// Runs qd_rc_main with these words; the program name comes first. Returns the exit status.
int run_qd_rc(std::vector<std::string> words);

// From now on, a recorded "/sbin/qd_rc wlan <action> >/dev/console 2>&1" also runs that
// action in-process, as the child process would, so that its commands follow the line.
// `also` runs first for every line; `around_child` runs each child (default: run it).
void run_children_in_process(std::function<void(const std::string&)> also = {},
                             std::function<void(const std::vector<std::string>&)> around_child = {});

// A recorded line without the console redirection that the command runner adds.
std::string_view command_of(std::string_view line);

// Sends this process's standard output and standard error (descriptors 1 and 2) to `out_fd`
// and `err_fd` while it lives, as the shell's redirections would; stdio's buffers are flushed
// at both ends, so nothing written before or after crosses over.
class OutputTo {
 public:
  OutputTo(int out_fd, int err_fd);
  ~OutputTo();
  OutputTo(const OutputTo&) = delete;
  OutputTo& operator=(const OutputTo&) = delete;

 private:
  int saved_out_;
  int saved_err_;
};

// The words of a command given as one text ("wlan start"), split at blanks.
std::vector<std::string> words_of(std::string_view command);

}  // namespace in_place
