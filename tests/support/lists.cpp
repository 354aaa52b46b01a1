// Prints the program's own lists for the shell tests, as bash arrays: `keys`, every settings
// key that qd_rc reads as stored for SSIDs 0 to 2 (access lists: entries 0 to 2), and
// `actions`, every action word of `qd_rc wlan`. The build writes them to a file that the
// tests source, so that no test keeps a copy of its own.
#include <cstdio>
#include <string>
#include <vector>

#include "hostile.h"
#include "run.h"

namespace {

void print_array(const char* name, const std::vector<std::string>& words) {
  std::printf("%s=(", name);
  for (size_t i = 0; i < words.size(); ++i) std::printf("%s'%s'", i ? " " : "", words[i].c_str());
  std::printf(")\n");
}

}  // namespace

int main() {
  print_array("keys", support::stored_keys(3, 3));
  print_array("actions", support::action_words());
  return 0;
}
