// The driver profile over a settings store that the fuzzer fills: every line stays one
// key=value line and the keys keep their fixed order, whatever the values hold.
#include <fuzzer/FuzzedDataProvider.h>

#include "hostile_support.h"
#include "nvram/entry_list.h"
#include "scratch_root.h"
#include "wlan/profile.h"

namespace {

constexpr char kProfile[] = "/etc/Wireless/RT2860/RT2860.dat";

std::vector<std::string> written_keys() {
  std::string error;
  std::vector<std::string> keys = hostile::profile_keys(scratch::read_file(kProfile), error);
  if (!error.empty()) __builtin_printf("%s\n", error.c_str());
  FUZZ_CHECK(error.empty());
  return keys;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  std::string list = scratch::entry_list_of(scratch::fuzzed_settings(input));

  // The keys depend only on the SSID count and, for a refused mode, on the mode.
  std::vector<std::pair<std::string, std::string>> shape;
  for (const char* key : {"wifiSSIDNum", "wifiHwmode"})
    if (auto value = entry_list::find_value(list, key)) shape.emplace_back(key, *value);
  scratch::reset();
  scratch::write_file("/tmp/nvram", scratch::entry_list_of(shape));
  int shape_result = creat_ralink_wlan_config();
  std::vector<std::string> expected = written_keys();

  scratch::write_file("/tmp/nvram", list);
  FUZZ_CHECK(creat_ralink_wlan_config() == shape_result);
  FUZZ_CHECK(written_keys() == expected);
  return 0;
}
