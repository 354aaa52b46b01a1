// The preview's report: each command's sections in their order, with what each one holds,
// the "(empty)" and "(none)" lines, and the profile as the board leaves it.
#include <gtest/gtest.h>

#include <map>

#include "preview.h"

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
                           "1. settings working copy changes", "2. standard output", "2. standard error",
                           "2. console", "2. shell lines", "2. settings working copy changes", kProfile}));
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

}  // namespace
