// The program's code run in this process.
#include "in_place/run.h"

#include <unistd.h>

#include <cstdio>

#include "platform/fake.h"
#include "rc/dispatch.h"
#include "runner/runner.h"
#include "wlan/driver.h"

namespace in_place {

int run_qd_rc(std::vector<std::string> words) {
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  return qd_rc_main(static_cast<int>(words.size()), argv.data());
}

std::string_view command_of(std::string_view line) {
  constexpr std::string_view kSuffix = kConsoleSuffix;
  if (line.ends_with(kSuffix)) line.remove_suffix(kSuffix.size());
  return line;
}

OutputTo::OutputTo(int out_fd, int err_fd) {
  std::fflush(stdout);
  std::fflush(stderr);
  saved_out_ = ::dup(1);
  saved_err_ = ::dup(2);
  ::dup2(out_fd, 1);
  ::dup2(err_fd, 2);
}

OutputTo::~OutputTo() {
  std::fflush(stdout);
  std::fflush(stderr);
  ::dup2(saved_out_, 1);
  ::dup2(saved_err_, 2);
  ::close(saved_out_);
  ::close(saved_err_);
}

std::vector<std::string> words_of(std::string_view command) {
  std::vector<std::string> words;
  while (!command.empty()) {
    size_t blank = command.find(' ');
    if (blank != 0) words.emplace_back(command.substr(0, blank));
    command = blank == std::string_view::npos ? std::string_view() : command.substr(blank + 1);
  }
  return words;
}

void run_children_in_process(std::function<void(const std::string&)> also,
                             std::function<void(const std::vector<std::string>&)> around_child) {
  fake::sys().on_shell = [also, around_child](const std::string& line) {
    if (also) also(line);
    // The program's own name in its child lines, e.g. "/sbin/qd_rc" of "/sbin/qd_rc wlan addER".
    const std::string_view child = driver::kSelfAddER;
    const std::string_view self = child.substr(0, child.find(' ') + 1);
    if (!line.starts_with(self)) return;
    std::vector<std::string> words{"qd_rc"};
    for (std::string& word : words_of(command_of(std::string_view(line).substr(self.size()))))
      words.push_back(std::move(word));
    if (around_child)
      around_child(words);
    else
      run_qd_rc(words);
  };
}

}  // namespace in_place
