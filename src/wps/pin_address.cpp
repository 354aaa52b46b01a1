// The WPS PIN of a settings key and the device's own address in the LAN subnet.
#include <cstring>

#include "base/ipv4.h"
#include "nvram/nvram.h"
#include "wps/wps.h"

const char* qd_get_wscpin(const char* key) {
  const char* stored = nvram_get(key);
  if (stored && std::strspn(stored, "0123456789") == 8) return stored;
  return kDefaultWpsPin;
}

std::optional<std::string> get_lastIP_in_subet(const char* address, const char* mask, unsigned k) {
  if (!mask || !address) return std::nullopt;
  auto host = ipv4::parse(address);
  auto netmask = ipv4::parse(mask);
  if (!host || !netmask) return std::nullopt;
  return ipv4::format((*host | ~*netmask) - k);
}
