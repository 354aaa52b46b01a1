// Test helpers for the wlan and WPS modules: running qd_rc's own children in-process, running
// a command line through qd_rc_main, and splitting a recorded line as /bin/sh would.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "fake_platform.h"
#include "rc/dispatch.h"

namespace wlan_test {

// Runs qd_rc_main with these words; the program name comes first.
inline int run_qd_rc(std::vector<std::string> words) {
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  return qd_rc_main(static_cast<int>(words.size()), argv.data());
}

// From now on, a recorded "/sbin/qd_rc wlan <action> >/dev/console 2>&1" also runs that
// action in-process, as the child process would, so that its commands follow the line.
// `also` runs first for every line.
inline void run_children_in_process(std::function<void(const std::string&)> also = {}) {
  fake::sys().on_shell = [also](const std::string& line) {
    if (also) also(line);
    constexpr std::string_view kSelf = "/sbin/qd_rc ";
    if (!line.starts_with(kSelf)) return;
    std::vector<std::string> words{"qd_rc"};
    std::string_view rest = std::string_view(line).substr(kSelf.size());
    rest = rest.substr(0, rest.find(" >/dev/console"));
    while (!rest.empty()) {
      size_t blank = rest.find(' ');
      words.emplace_back(rest.substr(0, blank));
      rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank + 1);
    }
    run_qd_rc(words);
  };
}

// The argument vector that /bin/sh makes of `command` (without its redirection).
inline std::vector<std::string> shell_words(const std::string& command) {
  const std::string script = "set -- " + command + "\nprintf '%s\\0' \"$@\"";
  std::vector<std::string> words;
  FILE* shell = ::popen(script.c_str(), "r");
  if (!shell) return words;
  std::string output;
  char chunk[256];
  for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, shell)) > 0;) output.append(chunk, n);
  ::pclose(shell);
  for (size_t start = 0, end; (end = output.find('\0', start)) != std::string::npos; start = end + 1)
    words.push_back(output.substr(start, end - start));
  return words;
}

// Settings values that would run the canary command if a line took them unquoted. Each
// begins with eight digits, so that it also passes as a WPS PIN.
inline std::vector<std::string> hostile_values(const std::string& canary) {
  const std::string touch = "touch " + canary;
  return {
      "12345678;" + touch,  "12345678$(" + touch + ")", "12345678`" + touch + "`",
      "12345678|" + touch,  "12345678&" + touch,        "12345678'\"; " + touch + "; '",
      "12345678\n" + touch, "12345678 ; " + touch,      "12345678'$(" + touch + ")'",
  };
}

}  // namespace wlan_test
