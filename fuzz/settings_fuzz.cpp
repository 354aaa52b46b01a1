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
#include "scratch_root.h"
#include "wlan_test_support.h"

namespace {

constexpr std::array<const char*, 16> kActions = {
    "start",      "stop",      "restart",   "addER",    "clientPIN", "clientPBC",        "unconfig",
    "wps_change", "wps_clean", "wps_reset", "wps_init", "mac_init",  "clientPBC_config", "wps_config",
    "show",       "wpsled_on"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  std::string action = kActions[input.ConsumeIntegralInRange<size_t>(0, kActions.size() - 1)];
  auto settings = scratch::fuzzed_settings(input);
  scratch::reset();
  scratch::write_file("/tmp/nvram", scratch::entry_list_of(settings));
  wlan_test::run_children_in_process();

  FUZZ_CHECK(wlan_test::run_qd_rc({"qd_rc", "wlan", action}) == 0);
  for (const std::string& line : scratch::shell_lines()) FUZZ_CHECK(hostile::unquoted_hazard(line).empty());
  return 0;
}
