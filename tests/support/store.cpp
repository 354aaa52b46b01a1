// Settings stores for tests.
#include "store.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "nvram/entry_list.h"
#include "nvram/image.h"
#include "nvram/redo.h"
#include "nvram_text.h"

namespace support {

std::string entry_list_of(const Settings& settings) {
  std::string list;
  for (const auto& [key, value] : settings) entry_list::append_entry(list, key, value);
  list += '\0';
  return list;
}

std::string image_of(std::string_view entries) { return build_image(entries); }

std::string damaged_image_of(std::string_view entries) {
  std::string image = build_image(entries);
  image[8] ^= 0x01;  // the stored CRC: the entries stay as they are
  return image;
}

Settings merged(Settings settings, const Settings& more) {
  for (const auto& entry : more) {
    auto it = std::find_if(settings.begin(), settings.end(),
                           [&](const auto& kv) { return kv.first == entry.first; });
    if (it != settings.end())
      it->second = entry.second;
    else
      settings.push_back(entry);
  }
  return settings;
}

std::string test_data_path(const std::string& name) { return std::string(QD_TEST_DATA_DIR) + "/" + name; }

std::string test_data(const std::string& name) {
  std::ifstream in(test_data_path(name), std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read test data %s\n", name.c_str());
    std::abort();
  }
  std::stringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

Settings settings_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  nvram_text::ParseResult parsed = nvram_text::parse(text.str());
  if (!in || !parsed.error.empty()) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), in ? parsed.error.c_str() : "cannot read");
    std::abort();
  }
  Settings settings;
  for (auto& entry : parsed.entries) settings.emplace_back(std::move(entry.key), std::move(entry.value));
  return settings;
}

Store make_store(size_t size, const Settings& middle) {
  static const char* const kFamilies[] = {"lanDhcp",    "wanPpp",   "fwRule",   "qosClass",    "dhcpStatic",
                                          "tr069Param", "voipLine", "usbShare", "routeStatic", "ddnsHost"};
  static const char* const kFields[] = {"Name", "Enable", "Addr4",   "Mask4",
                                        "Port", "Proto",  "Comment", "Mode"};
  Store store;
  size_t middle_size = 0;
  for (const auto& [key, value] : middle) middle_size += key.size() + value.size() + 2;
  uint32_t seed = 12345;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
  bool placed = middle.empty();
  for (unsigned n = 0;; ++n) {
    if (!placed && store.entries.size() + middle_size >= size / 2) {
      for (const auto& [key, value] : middle) {
        entry_list::append_entry(store.entries, key, value);
        store.settings.emplace_back(key, value);
      }
      placed = true;
    }
    char key[64];
    std::snprintf(key, sizeof key, "%s%s[%u]", kFamilies[n % 10], kFields[(n / 10) % 8], n / 80);
    std::string value(1 + next() % 32, static_cast<char>('a' + next() % 26));
    if (store.entries.size() + std::string_view(key).size() + value.size() + 3 > size) break;
    entry_list::append_entry(store.entries, key, value);
    store.settings.emplace_back(key, value);
  }
  store.entries += '\0';
  return store;
}

Settings gateway_settings(int ssids) {
  constexpr int kTemplateSsids = 4;  // the SSIDs of the example gateway's settings
  Settings global, per_ssid[kTemplateSsids];
  for (auto [key, value] : settings_file(test_data_path("home_gateway.settings"))) {
    size_t open = key.find('[');
    int index = open == std::string::npos ? -1 : std::atoi(key.c_str() + open + 1);
    if (key == "wifiSSIDNum") value = std::to_string(ssids);
    // The LAN settings are indexed by LAN interface, not by SSID.
    if (index < 0 || key.starts_with("lan"))
      global.emplace_back(key, value);
    else if (index < kTemplateSsids)
      per_ssid[index].emplace_back(key.substr(0, open), value);
  }
  Settings settings = global;
  for (int i = 0; i < ssids; ++i)
    for (const auto& [base, value] : per_ssid[i % kTemplateSsids])
      settings.emplace_back(base + "[" + std::to_string(i) + "]", value);
  return settings;
}

Change Change::of(const std::string& value) {
  Settings settings = make_store(16 * 1024).settings;
  Change change{settings[0].first, entry_list_of(settings), "", 0};
  settings[0].second = value;
  change.new_list = entry_list_of(settings);
  while (change.old_list[change.offset] == change.new_list[change.offset]) ++change.offset;
  return change;
}

Change Change::planted(const std::string& store) {
  // The record's old list differs from the store in its first segment only, and its new list
  // equals the store there.
  Change change{"remoteMgmtEnable", store, entry_list::rebuild(store, "remoteMgmtEnable", "1"), 0};
  change.old_list[0] ^= 1;
  return change;
}

std::string Change::record() const {
  std::string head;
  std::string_view new_rest = std::string_view(new_list).substr(offset);
  build_redo_head(head, old_list, offset, new_rest);
  return head + std::string(new_rest);
}

std::string Change::torn(size_t written) const {
  std::string old = old_list;
  old.resize(std::max(old.size(), new_list.size()), '\0');
  return new_list.substr(0, offset + written) + old.substr(offset + written);
}

}  // namespace support
