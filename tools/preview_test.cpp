// The preview's report: each command's sections in their order, with what each one holds,
// the "(empty)" and "(none)" lines, and the profile as the board leaves it.
#include <gtest/gtest.h>

#include <algorithm>

#include "explain.h"
#include "nvram/uci.h"
#include "platform/paths.h"
#include "preview.h"
#include "scratch.h"
#include "store.h"

namespace {

using Lines = std::vector<std::string>;

// The report's sections, by "<command number>. <title>" ("after. <title>" for the gateway after
// the last command), each with its lines, in the order they came.
std::vector<std::pair<std::string, Lines>> sections(const std::string& report) {
  std::vector<std::pair<std::string, Lines>> out;
  std::string step;
  size_t pos = 0;
  while (pos < report.size()) {
    size_t end = report.find('\n', pos);
    std::string line = report.substr(pos, end - pos);
    pos = end == std::string::npos ? report.size() : end + 1;
    if (line.starts_with("== ")) {
      step = line.starts_with("== the gateway") ? "after" : line.substr(3, line.find('.') - 3);
    } else if (line.starts_with("-- ")) {
      out.push_back({step + ". " + line.substr(3, line.find(" (") - 3), {}});
    } else if (!line.empty() && !out.empty()) {
      out.back().second.push_back(line);
    }
  }
  return out;
}

Lines section(const std::string& report, const std::string& title) {
  for (const auto& [name, lines] : sections(report))
    if (name == title) return lines;
  return {"(no section " + title + ")"};
}

constexpr char kProfile[] = "after. driver profile /etc/Wireless/RT2860/RT2860.dat";

TEST(Preview, ReportsEachSectionOfEachCommand) {
  std::string out;
  // 17 SSIDs: a notice on standard error; mode 13: the writer opens the profile and refuses.
  ASSERT_EQ(preview::run("wifiSSIDNum=17\nwifiHwmode=13\n", "s", {"show", "wlan start"}, {}, out), 0) << out;
  Lines titles;
  for (const auto& [name, lines] : sections(out)) titles.push_back(name);
  EXPECT_EQ(titles, (Lines{"1. standard output", "1. standard error", "1. console", "1. shell lines",
                           "1. settings working copy changes", "1. hazards", "2. standard output",
                           "2. standard error", "2. console", "2. shell lines",
                           "2. settings working copy changes", "2. hazards", kProfile}));
  Lines shown = section(out, "1. standard output");
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown[0], "   wlan:");
  EXPECT_EQ(section(out, "1. standard error"), Lines{"   (empty)"});
  EXPECT_EQ(section(out, "1. shell lines"), Lines{"   (none)"});
  EXPECT_EQ(section(out, "1. settings working copy changes"), Lines{"   (none)"});
  EXPECT_EQ(section(out, "2. standard output"), Lines{"   (empty)"});
  EXPECT_EQ(section(out, "2. standard error"),
            Lines{"   qd_rc: wifiSSIDNum 17 is more than 16 SSIDs; using 16"});
  Lines shell = section(out, "2. shell lines");
  ASSERT_FALSE(shell.empty());
  EXPECT_EQ(shell[0], "   1  mkdir -p /etc/Wireless/RT2860/ >/dev/console 2>&1");
  EXPECT_EQ(section(out, kProfile), Lines{"   (empty)"});
}

TEST(Preview, TellsAProfileNeverWrittenFromAWrittenOne) {
  std::string out;
  ASSERT_EQ(preview::run("wifiSSIDNum=1\n", "s", {"show"}, {}, out), 0) << out;
  EXPECT_EQ(section(out, kProfile), Lines{"   (not written)"});
  ASSERT_EQ(preview::run("wifiSSIDNum=1\n", "s", {"wlan start"}, {}, out), 0) << out;
  Lines profile = section(out, kProfile);
  ASSERT_GT(profile.size(), 2u);
  EXPECT_EQ(profile[1], "   Default");
}

TEST(Preview, RefusesWhatHoldsNoSettings) {
  std::string out;
  EXPECT_EQ(preview::run("no settings here\n", "README", {"wlan start"}, {}, out), 2);
  EXPECT_EQ(out.rfind("README: not a settings file", 0), 0u) << out;
}

// Each get shows with where its value came from: the working copy, the image behind it (here
// a damaged one, which the load refuses and gets still fall back to), or neither.
TEST(Explain, TellsWhereEachSettingCameFrom) {
  support::ScratchRoot root;
  root.write(paths::kWorkingCopy, support::entry_list_of({{"wifiBssid[0]", "Home"}}));
  root.write(paths::kImage, support::damaged_image_of(support::entry_list_of({{"wifiBssid[1]", "Guest"}})));
  preview::GetTrace trace(root);
  uci_safe_get_n("wifiBssid", 0);
  uci_safe_get_n("wifiBssid", 1);
  uci_get_int_n("wifiHwmode", -1);
  uci_safe_get_n("wifiBssid", 0);
  std::vector<std::string> reads;
  for (const preview::KeyRead& read : trace.reads())
    reads.push_back(read.key + "=" + read.value + " (" + read.source_name() + ")");
  EXPECT_EQ(reads, (Lines{"wifiBssid[0]=Home (working copy)", "wifiBssid[1]=Guest (image)",
                          "wifiHwmode= (absent: default)"}));
  // The marks the trace laid for absent keys stay out of what the report shows.
  for (const nvram_text::Entry& entry : trace.entries_without_laid(root.read(paths::kWorkingCopy)))
    EXPECT_NE(entry.value, "*DEL*") << entry.key;
}

// The explained report is the plain one with the settings under each line: the marks the
// trace lays for absent keys show nowhere, not even as the old value of a setting written.
TEST(Explain, IsThePlainReportWithTheSettingsAdded) {
  const std::string settings = support::entry_list_of(
      {{"wifiSSIDNum", "1"}, {"wifiWpsEnable", "1"}, {"wifiRadioOnOff", "1"}, {"wifiIFOn[0]", "1"}});
  const std::vector<std::string> commands{"wlan start", "wlan wps_change"};
  std::string plain, explained;
  preview::Options options;
  ASSERT_EQ(preview::run(settings, "s", commands, options, plain), 0);
  options.explain = true;
  ASSERT_EQ(preview::run(settings, "s", commands, options, explained), 0);
  std::string without;
  for (size_t pos = 0, end; pos < explained.size(); pos = end + 1) {
    end = explained.find('\n', pos);
    if (explained.compare(pos, 13, "        from ") != 0) without += explained.substr(pos, end - pos + 1);
  }
  EXPECT_EQ(without, plain);
  EXPECT_NE(plain.find("writes the setting wifiWpsState: absent -> \"1\""), std::string::npos) << plain;
}

// Every line of a start on the home gateway names the settings it was made from, or none; the
// lines whose settings docs/settings.md names show them, and only the settings that shape them:
// a value read long before its line (the SSID count of the VLAN lines) shows there, and one
// read with the line's own but not shaping it (the LAN mask of the default route) does not.
TEST(Explain, NamesTheSettingsOfEachLineOfAStart) {
  std::string out;
  preview::Options options;
  options.explain = true;
  ASSERT_EQ(preview::run(support::test_data("home_gateway.settings"), "home", {"wlan start"}, options, out),
            0);
  size_t lines = 0, explained = 0;
  for (const std::string& title : {std::string("1. shell lines"), std::string(kProfile)}) {
    Lines section_lines = section(out, title);
    for (size_t i = 0; i < section_lines.size(); ++i) {
      if (section_lines[i].starts_with("        from ")) continue;
      ++lines;
      explained += i + 1 < section_lines.size() && section_lines[i + 1].starts_with("        from ");
    }
  }
  EXPECT_EQ(explained, lines);
  EXPECT_GT(lines, 200u);
  std::printf("wlan start on the home gateway: %zu shell and profile lines, %zu explained\n", lines,
              explained);
  for (const char* expected :
       {"   BssidNum=4\n        from wifiSSIDNum=4 (working copy)\n   SSID=",
        "   BeaconPeriod=100\n        from wifiBeaconInterval (absent: default)\n   ",
        "   FragThreshold=2346\n        from wifiFragment=2346 (working copy)\n   ",
        "   HideSSID=0;0;1;0\n        from wifiSSIDNum=4 (working copy)\n        from "
        "wifiBssidBroadcast[0]=1 (working copy)\n        from wifiBssidBroadcast[1]=1 (working copy)\n",
        "   1  mkdir -p /etc/Wireless/RT2860/ >/dev/console 2>&1\n        from no setting\n",
        "/sbin/vconfig add eth2 101 >/dev/console 2>&1\n        from wifiSSIDNum=4 (working copy)\n   ",
        "/sbin/ifconfig ra0 down >/dev/console 2>&1\n        from wifiSSIDNum=4 (working copy)\n"
        "        from wifiIFOn[0] (absent: default)\n  ",
        "/sbin/route add default gw 192.168.1.1 >/dev/console 2>&1\n        from wifiSSIDNum=4 (working "
        "copy)\n        from wifiAuth[3]=7 (working copy)\n        from lanConnIp4[2]=192.168.1.1 (working "
        "copy)\n  "})
    EXPECT_NE(out.find(expected), std::string::npos) << expected;
}

}  // namespace
