// The settings keys as stored.
#include "in_place/keys.h"

#include "rc/settings_keys.h"
#include "wlan/profile.h"

namespace in_place {

std::string indexed(std::string_view base, int index) {
  return std::string(base) + "[" + std::to_string(index) + "]";
}

std::vector<std::string> stored_keys(int ssids, int entries) {
  std::vector<std::string> keys;
  for (const SettingsKey& key : kSettingsKeys) {
    if (key.forms & kBare) keys.emplace_back(key.name);
    if (key.forms & kPerSsid)
      for (int i = 0; i < ssids; ++i) keys.push_back(indexed(key.name, i));
    if (key.forms & kFirstSsid) keys.push_back(indexed(key.name, 0));
    if (key.forms & kLan) keys.push_back(indexed(key.name, kLanIndex));
    if (key.forms & kAccessList)
      for (int ssid = 0; ssid < ssids; ++ssid)
        for (int entry = 0; entry < entries; ++entry) keys.push_back(indexed(access_list_key(ssid), entry));
  }
  return keys;
}

}  // namespace in_place
