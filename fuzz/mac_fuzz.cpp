// The radio MAC text parser and its programming over any text: an address it accepts reads
// the same with "%x:%x:%x:%x:%x:%x", formats back to itself, and only an accepted address
// reaches the EEPROM commands.
#include <cstdio>
#include <string>

#include "fuzz_support.h"
#include "hostile.h"
#include "platform/fake.h"
#include "wlan/macprog.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  auto mac = parse_mac_text(text);
  std::string c_text = text.c_str();  // what a setting can hold: up to the first zero byte
  if (mac) {
    unsigned read[6];
    FUZZ_CHECK(std::sscanf(c_text.c_str(), "%x:%x:%x:%x:%x:%x", &read[0], &read[1], &read[2], &read[3],
                           &read[4], &read[5]) == 6);
    for (int i = 0; i < 6; ++i) FUZZ_CHECK(read[i] == (*mac)[static_cast<size_t>(i)]);
    char formatted[18];
    std::snprintf(formatted, sizeof formatted, "%02x:%02x:%02x:%02x:%02x:%02x", (*mac)[0], (*mac)[1],
                  (*mac)[2], (*mac)[3], (*mac)[4], (*mac)[5]);
    FUZZ_CHECK(parse_mac_text(formatted) == mac);
  }

  fuzz::fresh_root();
  fake::sys().interfaces["ra0"] = {0x00, 0x0c, 0x43, 0x30, 0x52, 0x77};
  int result = init_wifi_mac("ra0", c_text.c_str());
  bool accepted = parse_mac_text(c_text).has_value();
  FUZZ_CHECK(result == (accepted ? 0 : -1));
  if (!accepted) FUZZ_CHECK(fake::sys().shell_lines.empty());
  for (const std::string& line : fake::sys().shell_lines) FUZZ_CHECK(support::unquoted_hazard(line).empty());
  return 0;
}
