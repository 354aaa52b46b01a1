// Every action of wlan over a settings store that the fuzzer fills: whatever the values, each
// shell line means what the program meant (no value adds a command or an argument), and the
// run ends normally. Children ("/sbin/qd_rc wlan ...") run in the same process.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "fake_platform.h"
#include "hostile_support.h"
#include "rc/dispatch.h"
#include "scratch_root.h"

namespace {

constexpr std::array<const char*, 16> kActions = {
    "start",     "stop",      "restart",    "addER",      "clientPIN", "clientPBC",
    "unconfig",  "wps_change", "wps_clean", "wps_reset",  "wps_init",  "mac_init",
    "clientPBC_config", "wps_config", "show", "ledWps"};
constexpr std::string_view kSelf = "/sbin/qd_rc ";

int run(std::vector<std::string> words) {
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  return qd_rc_main(static_cast<int>(words.size()), argv.data());
}

// A child invocation of the program itself, run in place of the shell.
void run_child(const std::string& line) {
  std::string_view rest(line);
  if (!rest.starts_with(kSelf)) return;
  rest.remove_prefix(kSelf.size());
  if (rest.ends_with(hostile::kConsoleSuffix)) rest.remove_suffix(hostile::kConsoleSuffix.size());
  std::vector<std::string> words = {"qd_rc"};
  size_t blank;
  while ((blank = rest.find(' ')) != std::string_view::npos) {
    words.emplace_back(rest.substr(0, blank));
    rest.remove_prefix(blank + 1);
  }
  words.emplace_back(rest);
  run(words);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  std::string action = kActions[input.ConsumeIntegralInRange<size_t>(0, kActions.size() - 1)];
  auto settings = scratch::fuzzed_settings(input);
  scratch::reset();
  scratch::write_file("/tmp/nvram", scratch::entry_list_of(settings));
  fake::sys().on_shell = run_child;

  FUZZ_CHECK(run({"qd_rc", "wlan", action}) == 0);
  for (const std::string& line : scratch::shell_lines()) FUZZ_CHECK(hostile::unquoted_hazard(line).empty());
  return 0;
}
