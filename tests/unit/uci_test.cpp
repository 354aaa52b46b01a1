// Indexed keys and the safe and integer gets.
#include <gtest/gtest.h>

#include "gateway_fixture.h"
#include "nvram/uci.h"

namespace {

using UciTest = GatewayTest;

TEST_F(UciTest, KeysAreFormedWithTheIndexInBrackets) {
  set_settings({{"wifiSSIDNum", "3"}, {"wifiWpapsk[0]", "psk0"}, {"wifiWpapsk[12]", "psk12"}});
  EXPECT_STREQ(uci_get_n("wifiSSIDNum", -1), "3");
  EXPECT_STREQ(uci_get_n("wifiWpapsk", 0), "psk0");
  EXPECT_STREQ(uci_get_n("wifiWpapsk", 12), "psk12");
  EXPECT_EQ(uci_get_n("wifiWpapsk", 1), nullptr);
}

TEST_F(UciTest, ComposedKeysAreCutAfter31Characters) {
  const std::string base(28, 'k');
  set_settings({{base + "[10", "cut"}});
  EXPECT_STREQ(uci_get_n(base.c_str(), 10), "cut");
  uci_set_n(base.c_str(), 11, "x");
  EXPECT_NE(read_file("/tmp/nvram").find(base + "[11=x"), std::string::npos);
  // Bare keys have no limit.
  const std::string bare(100, 'b');
  uci_set_n(bare.c_str(), -1, "long");
  EXPECT_STREQ(uci_get_n(bare.c_str(), -1), "long");
}

TEST_F(UciTest, SetOfAnIndexLeavesTheBareKeyAlone) {
  set_settings({{"wifiAuth", "bare"}});
  EXPECT_EQ(uci_set_n("wifiAuth", 0, "5"), 0);
  EXPECT_EQ(read_file("/tmp/nvram"), entry_list_of({{"wifiAuth", "bare"}, {"wifiAuth[0]", "5"}}));
}

TEST_F(UciTest, SafeGetNeverGivesNull) {
  set_settings({{"del", "*DEL*"}, {"v", "x"}});
  EXPECT_STREQ(uci_safe_get_n("absent", -1), "");
  EXPECT_STREQ(uci_safe_get_n("del", -1), "");
  EXPECT_STREQ(uci_safe_get_n("v", -1), "x");
}

TEST_F(UciTest, IntegerGetReadsLikeAtoiAndClampsNegativesToZero) {
  struct Case {
    const char* value;
    int expected;
  } cases[] = {
      {"", 0}, {"-5", 0}, {"abc", 0}, {"12abc", 12}, {" 7", 7}, {"+3", 3}, {"99999999999", 2147483647}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    set_settings({{"n", c.value}});
    EXPECT_EQ(uci_get_int_n("n", -1), c.expected);
  }
  EXPECT_EQ(uci_get_int_n("absent", 3), 0);
}

}  // namespace
