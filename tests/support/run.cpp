// The program's code run in the test process.
#include "run.h"

#include <unistd.h>

#include <cstdio>

#include "platform/fake.h"
#include "platform/paths.h"
#include "rc/actions.h"
#include "rc/dispatch.h"
#include "runner/runner.h"
#include "wlan/driver.h"

namespace support {

std::vector<std::string> action_words() {
  std::vector<std::string> words = {"show", "start", "stop"};
  for (const SpecialAction& action : kSpecialActions) words.emplace_back(action.word);
  return words;
}

std::vector<std::string> recorded_commands() {
  std::vector<std::string> out;
  for (const std::string& line : fake::sys().shell_lines) out.emplace_back(command_of(line));
  return out;
}

std::vector<std::string> keys_read(const ScratchRoot& root, const Settings& settings,
                                   std::vector<std::string> words) {
  root.remove(paths::kWorkingCopy);
  root.write(paths::kImage, damaged_image_of(entry_list_of(settings)));
  run_children_in_process();
  // The program's messages would only clutter the test's output.
  std::fflush(stdout);
  int saved = ::dup(1);
  std::FILE* null = std::fopen("/dev/null", "w");
  ::dup2(::fileno(null), 1);
  run_qd_rc(std::move(words));
  std::fflush(stdout);
  ::dup2(saved, 1);
  ::close(saved);
  std::fclose(null);
  std::vector<std::string> keys;
  std::string list = root.read(paths::kWorkingCopy);
  for (size_t pos = 0; pos < list.size() && list[pos] != '\0';) {
    size_t end = list.find('\0', pos);
    if (end == std::string::npos) end = list.size();
    std::string_view entry = std::string_view(list).substr(pos, end - pos);
    keys.emplace_back(entry.substr(0, entry.find('=')));
    pos = end + 1;
  }
  return keys;
}

std::vector<std::string> shell_words(const std::string& command, const std::string& directory) {
  std::string script = "set -- " + command + "\nprintf '%s\\0' \"$@\"";
  if (!directory.empty()) script = "cd '" + directory + "' || exit\n" + script;
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

}  // namespace support
