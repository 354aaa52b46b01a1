// Radio MAC programming: the MAC text parser, and when the EEPROM words are written.
#include "wlan/macprog.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "gateway_fixture.h"
#include "platform/fake.h"

namespace {

TEST(MacTextTest, ParsesLikeTheScanFormatAndRefusesWhatCannotBeAByte) {
  struct Case {
    const char* text;
    std::optional<MacAddress> mac;
  } cases[] = {
      {"00:11:22:33:44:55", MacAddress{0x00, 0x11, 0x22, 0x33, 0x44, 0x55}},
      {"0a:1B:2c:3D:4e:5F", MacAddress{0x0a, 0x1b, 0x2c, 0x3d, 0x4e, 0x5f}},
      {"0:1:2:3:4:5", MacAddress{0, 1, 2, 3, 4, 5}},
      {"000a:0:0:0:0:ff", MacAddress{0x0a, 0, 0, 0, 0, 0xff}},
      {"0x0a:0X1b:2c:3d:4e:5f", MacAddress{0x0a, 0x1b, 0x2c, 0x3d, 0x4e, 0x5f}},
      {" 0a: 1b:2c:3d:4e:5f", MacAddress{0x0a, 0x1b, 0x2c, 0x3d, 0x4e, 0x5f}},
      {"\t0a:\n1b:\v2c:\f3d:\r4e: 5f", MacAddress{0x0a, 0x1b, 0x2c, 0x3d, 0x4e, 0x5f}},
      // A sign before a component, then the prefix: "-0" is 0, anything else negative is too big.
      {"+00:11:22:33:44:55", MacAddress{0x00, 0x11, 0x22, 0x33, 0x44, 0x55}},
      {"-0:11: +22:-00:+0x44:-0x0", MacAddress{0x00, 0x11, 0x22, 0x00, 0x44, 0x00}},
      {"00:11:22:33:44:55:66", MacAddress{0x00, 0x11, 0x22, 0x33, 0x44, 0x55}},
      {"00:11:22:33:44:55 trailing", MacAddress{0x00, 0x11, 0x22, 0x33, 0x44, 0x55}},
      {"", std::nullopt},
      {"00:11:22:33:44", std::nullopt},
      {"00:11:22:33:44:", std::nullopt},
      {"00-11-22-33-44-55", std::nullopt},
      {"00 :11:22:33:44:55", std::nullopt},
      {"00::22:33:44:55", std::nullopt},
      {"g0:11:22:33:44:55", std::nullopt},
      {"100:11:22:33:44:55", std::nullopt},
      {"00:11:22:33:44:1FF", std::nullopt},
      {"00:11:22:33:44:555", std::nullopt},
      {"-1:11:22:33:44:55", std::nullopt},
      {"00:11:22:33:44:-ff", std::nullopt},
      {"- 1:11:22:33:44:55", std::nullopt},
      {"+-1:11:22:33:44:55", std::nullopt},
      {"0x:11:22:33:44:55", std::nullopt},
      {"00:11:22:33:44:0x", std::nullopt},
      {"00:11:22:33:44:+0xg", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(parse_mac_text(c.text), c.mac);
  }
}

class MacProgTest : public GatewayTest {
 protected:
  struct Outcome {
    int result;
    std::string out;
  };
  Outcome program(const char* text) {
    testing::internal::CaptureStdout();
    int result = init_wifi_mac("ra0", text);
    return {result, testing::internal::GetCapturedStdout()};
  }
};

TEST_F(MacProgTest, DifferentAddressWritesTheThreeWordsAndRestartsTheInterface) {
  fake::sys().interfaces["ra0"] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x66};
  Outcome o = program("00:11:22:33:44:55");
  EXPECT_EQ(o.result, 0);
  EXPECT_EQ(o.out, "qd_rc: init_wifi_mac different 00:11:22:33:44:66 ==> 00:11:22:33:44:55\n");
  EXPECT_EQ(commands(), (std::vector<std::string>{"/bin/iwpriv ra0 e2p 4=1100", "/bin/iwpriv ra0 e2p 6=3322",
                                                  "/bin/iwpriv ra0 e2p 8=5544", "/sbin/ifconfig ra0 down",
                                                  "/sbin/ifconfig ra0 up"}));
}

TEST_F(MacProgTest, LowerCaseTextIsPrintedAsStored) {
  fake::sys().interfaces["ra0"] = {0x0a, 0x1b, 0x2c, 0x3d, 0x4e, 0xaf};
  Outcome o = program("0a:1b:2c:3d:4e:5f");
  EXPECT_EQ(o.out, "qd_rc: init_wifi_mac different 0A:1B:2C:3D:4E:AF ==> 0A:1B:2C:3D:4E:5F\n");
  EXPECT_EQ(commands()[2], "/bin/iwpriv ra0 e2p 8=5F4E");
}

TEST_F(MacProgTest, SameAddressRunsNothing) {
  struct Case {
    const char* text;
    MacAddress current;
  } cases[] = {
      {"0a:1b:2c:3d:4e:5f", {0x0a, 0x1b, 0x2c, 0x3d, 0x4e, 0x5f}},
      {"0:1:2:3:4:5", {0, 1, 2, 3, 4, 5}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    fake::sys().interfaces["ra0"] = c.current;
    Outcome o = program(c.text);
    EXPECT_EQ(o.result, 0);
    EXPECT_EQ(o.out, std::string("qd_rc: init_wifi_mac same ") + c.text + "\n");
    EXPECT_TRUE(commands().empty());
  }
}

TEST_F(MacProgTest, UnusableTextOrUnreadableInterfaceFailsSilently) {
  fake::sys().interfaces["ra0"] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x66};
  for (const char* text : {"", "00:11:22:33:44", "00:11:22:33:44:155", "junk"}) {
    SCOPED_TRACE(text);
    Outcome o = program(text);
    EXPECT_EQ(o.result, -1);
    EXPECT_EQ(o.out, "");
  }
  EXPECT_EQ(init_wifi_mac("ra0", nullptr), -1);
  fake::sys().interfaces.clear();
  Outcome o = program("00:11:22:33:44:55");
  EXPECT_EQ(o.result, -1);
  EXPECT_EQ(o.out, "");
  EXPECT_TRUE(commands().empty());
}

}  // namespace
