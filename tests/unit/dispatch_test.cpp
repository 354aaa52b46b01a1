// Dispatch: usage, exit statuses, show, and which handler a command line reaches.
#include <gtest/gtest.h>

#include <vector>

#include "gateway_fixture.h"
#include "rc/dispatch.h"

namespace {

class DispatchTest : public GatewayTest {
 protected:
  int run(std::vector<const char*> words) {
    std::vector<char*> argv;
    for (const char* w : words) argv.push_back(const_cast<char*>(w));
    argv.push_back(nullptr);
    return qd_rc_main(static_cast<int>(words.size()), argv.data());
  }
};

constexpr char kUsage[] =
    "usage: qd_rc <function> <action>\n\n"
    "\t<action>: start stop and special action\n"
    "\t\tfor example: \"qd_rc wlan restart\"\n"
    "\nsupport function : \n"
    "\twlan\n";

TEST_F(DispatchTest, NoArgumentsPrintsUsageAndFailsWithoutLoadingSettings) {
  set_image({{"k", "image"}});
  set_settings({{"k", "working"}});
  testing::internal::CaptureStdout();
  EXPECT_EQ(run({"qd_rc"}), 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), kUsage);
  EXPECT_EQ(read_file("/tmp/nvram"), entry_list_of({{"k", "working"}}));
}

TEST_F(DispatchTest, ExitStatuses) {
  struct Case {
    std::vector<const char*> words;
    int status;
  } cases[] = {
      {{"qd_rc", "wlan"}, 0},
      {{"qd_rc", "WLAN", "start"}, 1},
      {{"qd_rc", "nosuch", "start"}, 1},
      {{"qd_rc", "nosuch"}, 0},
      {{"qd_rc", "wlan", "START"}, 0},
      {{"qd_rc", "wlan", "restart", "extra"}, 0},
      {{"qd_rc", "show", "xyz"}, 0},
      {{"qd_rc", "w"}, 0},
      {{"qd_rc", "w", "start"}, 1},
      {{"qd_rc", "", "start"}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.words.size() > 1 ? c.words[1] : "none");
    testing::internal::CaptureStdout();
    EXPECT_EQ(run(c.words), c.status);
    testing::internal::GetCapturedStdout();
  }
}

TEST_F(DispatchTest, EveryNamedFunctionLoadsTheImageFirst) {
  set_image({{"k", "image"}});
  set_settings({{"k", "working"}});
  EXPECT_EQ(run({"qd_rc", "nosuch"}), 0);
  EXPECT_EQ(read_file("/tmp/nvram"), entry_list_of({{"k", "image"}}));
}

TEST_F(DispatchTest, ShowFormsPrintTheWlanTextOnce) {
  testing::internal::CaptureStdout();
  run({"qd_rc", "wlan", "show"});
  const std::string wlan_show = testing::internal::GetCapturedStdout();
  ASSERT_FALSE(wlan_show.empty());
  for (auto words : {std::vector<const char*>{"qd_rc", "show"},
                     {"qd_rc", "show", "all"},
                     {"qd_rc", "show", "wlan"},
                     {"qd_rc", "show", "wlan", "all"}}) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(run(words), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), wlan_show);
  }
  testing::internal::CaptureStdout();
  run({"qd_rc", "show", "xyz"});
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(DispatchTest, FindSubNodeSetsPointAOnlyOnAMatch) {
  char* miss[] = {const_cast<char*>("qd_rc"), const_cast<char*>("nope"), nullptr};
  char* hit[] = {const_cast<char*>("qd_rc"), const_cast<char*>("wlan"), nullptr};
  point_a = nullptr;
  EXPECT_EQ(find_subNode(2, miss), 1);
  EXPECT_EQ(point_a, nullptr);
  EXPECT_EQ(find_subNode(2, hit), 0);
  EXPECT_EQ(point_a, &fun_tab[0]);
}

TEST(FunTab, HoldsWlanAndEndsWithAnEmptyRow) {
  EXPECT_STREQ(fun_tab[0].name, "wlan");
  EXPECT_EQ(fun_tab[1].name[0], '\0');
  EXPECT_EQ(point_a_data, 0);
}

}  // namespace
