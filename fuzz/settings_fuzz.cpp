// Every action of wlan over a settings store that the fuzzer fills: whatever the values, each
// shell line means what the program meant (no value adds a command or an argument), and the
// run ends normally. Children ("/sbin/qd_rc wlan ...") run in the same process.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include "fuzz_support.h"
#include "hostile.h"
#include "platform/fake.h"
#include "run.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::vector<std::string> kActions = support::action_words();
  FuzzedDataProvider input(data, size);
  std::string action = kActions[input.ConsumeIntegralInRange<size_t>(0, kActions.size() - 1)];
  support::Settings settings = fuzz::fuzzed_settings(input);
  fuzz::fresh_root().write("/tmp/nvram", support::entry_list_of(settings));
  support::run_children_in_process();

  FUZZ_CHECK(support::run_qd_rc({"qd_rc", "wlan", action}) == 0);
  for (const std::string& line : fake::sys().shell_lines) FUZZ_CHECK(support::unquoted_hazard(line).empty());
  return 0;
}
