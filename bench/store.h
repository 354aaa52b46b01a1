// Synthetic settings stores of a given size, shaped like a gateway's: camel-case keys with
// subsystem prefixes, many of them indexed, values of 1 to 32 characters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace bench {

using Settings = std::vector<std::pair<std::string, std::string>>;

struct Store {
  std::string entries;   // the entry list, terminated
  Settings settings;     // the same entries in order
};

inline void append_entry(std::string& list, const std::string& key, const std::string& value) {
  list += key;
  list += '=';
  list += value;
  list += '\0';
}

// Filler entries up to `size` bytes (terminator included), with `middle` placed halfway.
inline Store make_store(size_t size, const Settings& middle = {}) {
  static const char* const kFamilies[] = {"lanDhcp", "wanPpp", "fwRule", "qosClass", "dhcpStatic",
                                          "tr069Param", "voipLine", "usbShare", "routeStatic", "ddnsHost"};
  static const char* const kFields[] = {"Name", "Enable", "Addr4", "Mask4", "Port", "Proto", "Comment", "Mode"};
  Store store;
  size_t middle_size = 0;
  for (const auto& [key, value] : middle) middle_size += key.size() + value.size() + 2;
  uint32_t seed = 12345;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
  bool placed = middle.empty();
  for (unsigned n = 0;; ++n) {
    if (!placed && store.entries.size() + middle_size >= size / 2) {
      for (const auto& [key, value] : middle) {
        append_entry(store.entries, key, value);
        store.settings.emplace_back(key, value);
      }
      placed = true;
    }
    char key[64];
    std::snprintf(key, sizeof key, "%s%s[%u]", kFamilies[n % 10], kFields[(n / 10) % 8], n / 80);
    std::string value(1 + next() % 32, 'a' + static_cast<char>(next() % 26));
    if (store.entries.size() + std::string_view(key).size() + value.size() + 3 > size) break;
    append_entry(store.entries, key, value);
    store.settings.emplace_back(key, value);
  }
  store.entries += '\0';
  return store;
}

// The example gateway's settings (tests/data/home_gateway.settings) with `ssids` SSIDs:
// SSID i takes the per-SSID settings of the example's SSID i % 4.
Settings gateway_settings(int ssids);

// An image file: 40-byte little-endian header (magic "RON\0", length, CRC-32), then the list.
std::string image_of(const std::string& entries);

}  // namespace bench
