// The dispatcher over arbitrary argument vectors: exit status 0 or 1 by the table's rules,
// and no word of the command line reaches the shell unquoted.
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "hostile.h"
#include "platform/fake.h"
#include "rc/dispatch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> words = fuzz::words(data, size, 5);
  words.insert(words.begin(), "qd_rc");
  if (size == 0) words.pop_back();  // also the bare program name
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  fuzz::fresh_root().write(
      "/tmp/nvram",
      support::entry_list_of(
          {{"wifiSSIDNum", "2"}, {"wifiRadioOnOff", "1"}, {"wifiIFOn[0]", "1"}, {"wifiWpsEnable", "1"}}));
  int argc = static_cast<int>(words.size());
  int status = qd_rc_main(argc, argv.data());

  bool unknown_function = argc >= 3 && words[1] != "show" && words[1] != "wlan";
  FUZZ_CHECK(status == (argc < 2 || unknown_function ? 1 : 0));
  for (const std::string& line : fake::sys().shell_lines) FUZZ_CHECK(support::unquoted_hazard(line).empty());
  return 0;
}
