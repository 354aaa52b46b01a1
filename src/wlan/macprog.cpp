// Radio MAC programming: compares the wanted address (text "xx:xx:xx:xx:xx:xx") with the
// interface's and, when they differ, writes the three EEPROM words at 4, 6 and 8 with
// iwpriv e2p and restarts the interface so that the driver takes the new address up.
#include "wlan/macprog.h"

#include "base/text.h"
#include "platform/messages.h"
#include "runner/runner.h"
#include "wlan/driver.h"

namespace {

bool is_blank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// One component at `pos`, which moves past it, read as the scan's %x reads it: white space
// skipped, an optional sign, an optional 0x before a hex digit, then the hex digits. A negative
// value other than 0 is above FF once the sign is applied, so it is refused like one.
std::optional<uint8_t> parse_component(std::string_view text, size_t& pos) {
  while (pos < text.size() && is_blank(text[pos])) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
  if (pos + 1 < text.size() && text[pos] == '0' && (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
    // "0x" without a digit after it is a matching failure, not the number 0.
    if (pos + 2 >= text.size() || text::hex_digit(text[pos + 2]) < 0) return std::nullopt;
    pos += 2;
  }
  unsigned value = 0;
  size_t digits = 0;
  for (; pos < text.size() && text::hex_digit(text[pos]) >= 0; ++pos, ++digits) {
    value = value * 16 + static_cast<unsigned>(text::hex_digit(text[pos]));
    if (value > 0xFF) return std::nullopt;
  }
  if (digits == 0 || (negative && value != 0)) return std::nullopt;
  return static_cast<uint8_t>(value);
}

}  // namespace

std::optional<MacAddress> parse_mac_text(std::string_view text) {
  MacAddress mac{};
  size_t pos = 0;
  for (size_t i = 0; i < mac.size(); ++i) {
    if (i > 0) {
      if (pos >= text.size() || text[pos] != ':') return std::nullopt;
      ++pos;
    }
    auto component = parse_component(text, pos);
    if (!component) return std::nullopt;
    mac[i] = *component;
  }
  return mac;
}

int init_wifi_mac(const char* ifname, const char* mac_text) {
  auto wanted = parse_mac_text(mac_text ? mac_text : "");
  if (!wanted) return -1;
  MacAddress current{};
  if (qd_get_mac_if(ifname, current.data()) != 0) return -1;
  if (current == *wanted) {
    platform::print("qd_rc: init_wifi_mac same %s\n", mac_text);
    return 0;
  }
  const MacAddress& w = *wanted;
  platform::print(
      "qd_rc: init_wifi_mac different %02X:%02X:%02X:%02X:%02X:%02X ==> "
      "%02X:%02X:%02X:%02X:%02X:%02X\n",
      current[0], current[1], current[2], current[3], current[4], current[5], w[0], w[1], w[2], w[3], w[4],
      w[5]);
  // Each word holds the lower-numbered address byte in its low half.
  SYSTEM(driver::kE2pWord4, ifname, w[1], w[0]);
  SYSTEM(driver::kE2pWord6, ifname, w[3], w[2]);
  SYSTEM(driver::kE2pWord8, ifname, w[5], w[4]);
  SYSTEM(driver::kIfDown, ifname);
  SYSTEM(driver::kIfUp, ifname);
  return 0;
}
