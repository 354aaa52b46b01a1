// The check's list keys against the profile writer, and the graph's quoting of settings.
#include <gtest/gtest.h>

#include <algorithm>

#include "check.h"
#include "platform/paths.h"
#include "preview.h"
#include "rc/settings_keys.h"
#include "scratch.h"
#include "store.h"
#include "wlan/profile.h"

namespace {

// A ";" in SSID 0's value of a per-SSID key: the check reports it exactly when the profile
// writer puts it into a line, for every per-SSID key that the program reads.
TEST(Check, ReportsASemicolonExactlyWhenTheProfileHasIt) {
  support::ScratchRoot root;
  std::vector<std::string> lists = check::list_keys();
  for (const SettingsKey& key : kSettingsKeys) {
    if (!(key.forms & kPerSsid)) continue;
    std::string name(key.name);
    SCOPED_TRACE(name);
    nvram_text::SettingsFile file;
    file.entries = {{"wifiSSIDNum", "1"}, {name + "[0]", "x;y"}};
    // The 128-bit WEP keys are the ones written when their length setting says so.
    if (name.starts_with("wifiWep128Key"))
      file.entries.push_back({"wifiWepLen" + name.substr(13) + "[0]", "128"});
    root.clear();
    root.write(paths::kWorkingCopy, nvram_text::entry_list_of(file.entries));
    creat_ralink_wlan_config();
    bool in_profile = root.read(paths::kProfile).find("x;y") != std::string::npos;
    auto findings = check::check_settings(file, "settings", {});
    bool reported = std::any_of(findings.begin(), findings.end(), [&](const check::Finding& finding) {
      return finding.key == name + "[0]" && finding.reason.starts_with("holds \";\"");
    });
    EXPECT_EQ(reported, in_profile);
    EXPECT_EQ(std::find(lists.begin(), lists.end(), name) != lists.end(), in_profile);
  }
}

// An SSID name cannot end the label's string or add a statement to the graph.
TEST(Check, GraphQuotesSettings) {
  std::string graph = preview::gateway_graph({"/sbin/ifconfig ra0 up >/dev/console 2>&1"}, {"a\"b\\c\nd];x"});
  EXPECT_NE(graph.find("SSID \\\"a\\\"b\\\\c?d];x\\\""), std::string::npos) << graph;
  EXPECT_EQ(std::count(graph.begin(), graph.end(), '\n'), 8) << graph;
}

}  // namespace
