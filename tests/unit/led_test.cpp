// The WPS LED: the six words of each pattern, the range checks and a missing or refusing device.
#include "wps/led.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

#include "gateway_fixture.h"
#include "platform/fake.h"
#include "wlan/driver.h"

namespace {

class WpsLedTest : public GatewayTest {
 protected:
  void SetUp() override {
    GatewayTest::SetUp();
    write_file("/dev/gpio", "");
  }
};

TEST_F(WpsLedTest, EachPatternIsOneRequestWithItsSixWords) {
  struct Case {
    const char* name;
    int state;
    std::array<uint32_t, 6> words;
  } cases[] = {
      {"off", kWpsLedOff, {0, 0, 4000, 1, 1, 4000}},
      {"in progress", kWpsLedInProgress, {0, 2, 1, 4000, 1, 4000}},
      {"success", kWpsLedSuccess, {0, 4000, 0, 1, 1, 4000}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fake::sys().ioctls.clear();
    EXPECT_EQ(ledWps(0, c.state), 0);
    ASSERT_EQ(fake::sys().ioctls.size(), 1u);
    EXPECT_EQ(fake::sys().ioctls[0].request, 0x41u);
    EXPECT_EQ(fake::sys().ioctls[0].words, c.words);
  }
  EXPECT_EQ(ledWps(0, 3), -1);
  EXPECT_EQ(fake::sys().ioctls.size(), 1u);
}

TEST_F(WpsLedTest, RangeChecksComeBeforeTheDevice) {
  EXPECT_EQ(set_gpio_led(23, 4000, 4000, 4000, 4000, 4000), 0);
  ASSERT_EQ(fake::sys().ioctls.size(), 1u);
  EXPECT_EQ(fake::sys().ioctls[0].words, (std::array<uint32_t, 6>{23, 4000, 4000, 4000, 4000, 4000}));
  remove_file("/dev/gpio");  // a range failure must not even try the device
  const std::array<unsigned, 6> refused[] = {
      {24, 0, 0, 0, 0, 0},   {0, 4001, 0, 0, 0, 0}, {0, 0, 4001, 0, 0, 0},
      {0, 0, 0, 4001, 0, 0}, {0, 0, 0, 0, 4001, 0}, {0, 0, 0, 0, 0, 4001},
  };
  for (const auto& v : refused) {
    SCOPED_TRACE(testing::PrintToString(v));
    testing::internal::CaptureStderr();
    EXPECT_EQ(set_gpio_led(v[0], v[1], v[2], v[3], v[4], v[5]), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  }
  EXPECT_EQ(fake::sys().ioctls.size(), 1u);
}

TEST_F(WpsLedTest, MissingDeviceOrRefusedRequestIsReported) {
  remove_file("/dev/gpio");
  testing::internal::CaptureStderr();
  EXPECT_EQ(ledWps(0, kWpsLedInProgress), -1);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(err.starts_with("/dev/gpio: ")) << err;
  EXPECT_EQ(err.find('\n'), err.size() - 1) << err;
  EXPECT_TRUE(fake::sys().ioctls.empty());

  write_file("/dev/gpio", "");
  fake::sys().ioctl_result = -1;
  testing::internal::CaptureStderr();
  EXPECT_EQ(ledWps(0, kWpsLedSuccess), -1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "ioctl: Invalid argument\n");
}

}  // namespace
