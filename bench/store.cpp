// The image header around a synthetic store.
#include "store.h"

#include <cstdlib>
#include <fstream>

#include "nvram/image.h"

namespace bench {

namespace {
constexpr int kTemplateSsids = 4;  // the SSIDs of the example gateway's settings
}  // namespace

Settings gateway_settings(int ssids) {
  std::ifstream in(QD_GATEWAY_SETTINGS);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", QD_GATEWAY_SETTINGS);
    std::exit(1);
  }
  Settings global, per_ssid[kTemplateSsids];
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    size_t eq = line.find('=');
    std::string key = line.substr(0, eq), value = line.substr(eq + 1);
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

std::string image_of(const std::string& entries) { return build_image(entries); }

}  // namespace bench
