// Byte order on every target. The settings image is little-endian on disk whatever the
// processor: tests/data/settings_le.img was made on a little-endian host (by
// tests/data/make_settings_le_img.sh) and must load the same on the big-endian gateway.
// The LED request, by contrast, is six words in the processor's own order.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

#include "gateway_fixture.h"
#include "nvram/file_bin.h"
#include "nvram/image.h"
#include "nvram/load.h"
#include "nvram/nvram.h"
#include "platform/fake.h"
#include "wps/led.h"

namespace {

class ByteOrderTest : public GatewayTest {
 protected:
  const std::string image_ = test_data("settings_le.img");
};

// Some of the settings in the committed image, with the values a get must give.
constexpr struct {
  const char* key;
  const char* value;
} kImageSettings[] = {
    {"wifiSSIDNum", "2"},
    {"wifiSSID[0]", "Gateway Home"},
    {"wifiSSID[1]", "Gateway Guest"},
    {"wifiWpapsk[0]", "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_"},
    {"lanConnIp4[2]", "192.168.1.1"},
    {"wifiDtimPeriod", "1"},
};

TEST_F(ByteOrderTest, CommittedImageHeaderDecodesToTheSameNumbers) {
  ASSERT_EQ(image_.size(), 40u + 383u) << "tests/data/settings_le.img missing or changed";
  auto header = parse_image_header(image_);
  ASSERT_TRUE(header);
  EXPECT_EQ(header->magic, kImageMagic);
  EXPECT_EQ(header->length, 383u);  // 0x17F: both low bytes count
  EXPECT_EQ(header->crc, 0x75211CA5u);
  EXPECT_EQ(nvram_crc32(image_.data() + 40, 383), 0x75211CA5u);
  // The fixture's images, which the other tests load, are written in the same order.
  EXPECT_EQ(image_of(image_.substr(40)), image_);
}

TEST_F(ByteOrderTest, CommittedImageLoadsAndGivesItsSettings) {
  write_file("/tmp/qd_nvram", image_);
  set_settings({{"wifiSSIDNum", "7"}});
  testing::internal::CaptureStdout();
  EXPECT_EQ(nvram_load(), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(read_file("/tmp/nvram"), image_.substr(40));

  // From the working copy the load wrote, then from the image alone (the fallback of a get).
  for (bool working_copy : {true, false}) {
    SCOPED_TRACE(working_copy ? "working copy" : "image fallback");
    if (!working_copy) remove_file("/tmp/nvram");
    for (const auto& s : kImageSettings) {
      SCOPED_TRACE(s.key);
      const char* value = nvram_get(s.key);
      ASSERT_NE(value, nullptr);
      EXPECT_STREQ(value, s.value);
    }
  }
}

// The GPIO driver reads the request as native words: a byte-swapped word (0x0F01 sent as
// 0x010F0000) would be a different pattern on the big-endian board.
TEST_F(ByteOrderTest, LedRequestWordsKeepTheProcessorsOrder) {
  write_file("/dev/gpio", "");
  EXPECT_EQ(set_gpio_led(0x17, 0x0F01, 0x0102, 0x0A0B, 0x0E0F, 0x0FA0), 0);
  ASSERT_EQ(fake::sys().ioctls.size(), 1u);
  EXPECT_EQ(fake::sys().ioctls[0].words,
            (std::array<uint32_t, 6>{0x17, 0x0F01, 0x0102, 0x0A0B, 0x0E0F, 0x0FA0}));
}

}  // namespace
