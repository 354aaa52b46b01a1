// The driver profile over a settings store that the fuzzer fills: every line stays one
// key=value line and the keys keep their fixed order, whatever the values hold.
#include <fuzzer/FuzzedDataProvider.h>

#include "fuzz_support.h"
#include "nvram/entry_list.h"
#include "platform/paths.h"
#include "profile_text.h"
#include "wlan/profile.h"

namespace {

std::vector<std::string> written_keys(const support::ScratchRoot& root) {
  std::string error;
  std::vector<std::string> keys = support::keys_of(support::parse_profile(root.read(paths::kProfile), error));
  if (!error.empty()) __builtin_printf("%s\n", error.c_str());
  FUZZ_CHECK(error.empty());
  return keys;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  std::string list = support::entry_list_of(fuzz::fuzzed_settings(input));

  // The keys depend only on the SSID count and, for a refused mode, on the mode.
  support::Settings shape;
  for (const char* key : {"wifiSSIDNum", "wifiHwmode"})
    if (auto value = entry_list::find_value(list, key)) shape.emplace_back(key, *value);
  support::ScratchRoot& root = fuzz::fresh_root();
  root.write("/tmp/nvram", support::entry_list_of(shape));
  int shape_result = creat_ralink_wlan_config();
  std::vector<std::string> expected = written_keys(root);

  root.write("/tmp/nvram", list);
  FUZZ_CHECK(creat_ralink_wlan_config() == shape_result);
  FUZZ_CHECK(written_keys(root) == expected);
  return 0;
}
