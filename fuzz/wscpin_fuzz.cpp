// The WPS PIN rule over any stored value: a leading run of exactly eight digits, or the
// default PIN.
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "wlan/queries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string value(reinterpret_cast<const char*>(data), size);
  std::erase(value, '\0');
  fuzz::fresh_root().write("/tmp/nvram", support::entry_list_of({{"wifiWpsDevPIN", value}}));

  const char* pin = qd_get_wscpin("wifiWpsDevPIN");
  FUZZ_CHECK(pin != nullptr);
  size_t digits = std::strspn(value.c_str(), "0123456789");
  if (digits == 8)
    FUZZ_CHECK(value == pin);
  else
    FUZZ_CHECK(std::strcmp(pin, kDefaultWpsPin) == 0);
  return 0;
}
