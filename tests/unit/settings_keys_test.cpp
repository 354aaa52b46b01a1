// The program's list of the settings keys it reads, held against the program: every key that
// the sources name is listed, and a start and the actions that read keys of their own read
// exactly the listed keys in their listed forms.
#include "rc/settings_keys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "gateway_fixture.h"
#include "hostile.h"
#include "platform/fake.h"
#include "run.h"

namespace {

bool listed(const std::string& name) {
  return std::any_of(kSettingsKeys.begin(), kSettingsKeys.end(), [&](const SettingsKey& key) {
    // A stem that the program completes with a number (wifiWep64Key + 1) counts as listed.
    return key.name == name ||
           (key.name.starts_with(name) && std::isdigit(static_cast<unsigned char>(key.name[name.size()])));
  });
}

TEST(SettingsKeys, EveryKeyTheSourcesNameIsListed) {
  const std::regex key_literal(R"re("((wifi|lan)[A-Z][A-Za-z0-9]*|modelName|wsc_[a-z_]+)")re");
  for (const auto& file :
       std::filesystem::recursive_directory_iterator(std::string(QD_SOURCE_DIR) + "/src")) {
    std::ifstream in(file.path());
    std::stringstream text;
    text << in.rdbuf();
    const std::string source = text.str();
    for (std::sregex_iterator it(source.begin(), source.end(), key_literal), end; it != end; ++it)
      EXPECT_TRUE(listed((*it)[1])) << (*it)[1] << " in " << file.path().filename();
  }
}

class SettingsKeysTest : public GatewayTest {};

TEST_F(SettingsKeysTest, StartAndActionsReadExactlyTheListedKeys) {
  constexpr int kSsids = 2, kEntries = 32;
  const std::vector<std::string> stored = support::stored_keys(kSsids, kEntries);
  // Every key stored, with values that take every branch that reads settings: WPS on and
  // unconfigured (the registrar side reads the LAN), 802.1X on the first SSID, an N mode.
  Settings settings;
  for (const std::string& key : stored) settings.emplace_back(key, "1");
  settings = merged(settings, {{"wifiSSIDNum", std::to_string(kSsids)},
                               {"wifiWpsState", "0"},
                               {"wifiAuth", "0"},
                               {"wifiAuth[0]", "3"},
                               {"wifiHwmode", "9"},
                               {"lanConnIp4[2]", "192.168.0.1"},
                               {"lanConnMask4[2]", "255.255.255.0"}});
  fake::sys().interfaces["ra0"] = {0, 1, 2, 3, 4, 5};
  std::set<std::string> read;
  auto run = [&](const Settings& store, const char* action) {
    for (const std::string& key : support::keys_read(*root_, store, {"qd_rc", "wlan", action}))
      read.insert(key);
  };
  for (const char* action : {"start", "clientPIN", "mac_init"}) run(settings, action);
  // 128-bit WEP keys are read where the key length says so.
  Settings long_wep;
  for (const std::string& key : stored)
    if (key.starts_with("wifiWepLen")) long_wep.emplace_back(key, "128");
  run(merged(settings, long_wep), "start");
  const std::set<std::string> listed_forms(stored.begin(), stored.end());
  for (const std::string& key : read) EXPECT_TRUE(listed_forms.count(key)) << key << " is read, not listed";
  for (const std::string& key : listed_forms) EXPECT_TRUE(read.count(key)) << key << " is listed, not read";
}

}  // namespace
