// The settings image: CRC-32, header decoding, the load at every start and its damaged cases.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "gateway_fixture.h"
#include "nvram/file_bin.h"
#include "nvram/image.h"
#include "nvram/load.h"

namespace {

class ImageTest : public GatewayTest {
 protected:
  int load(std::string* out = nullptr) {
    testing::internal::CaptureStdout();
    int result = nvram_load();
    std::string printed = testing::internal::GetCapturedStdout();
    if (out) *out = printed;
    return result;
  }
  const std::string kWorking = entry_list_of({{"old", "1"}});
};

TEST(Crc32, MatchesZlib) {
  EXPECT_EQ(nvram_crc32("", 0), 0u);
  EXPECT_EQ(nvram_crc32("abc", -1), 0u);
  EXPECT_EQ(nvram_crc32("123456789", 9), 0xCBF43926u);
  EXPECT_EQ(nvram_crc32("The quick brown fox jumps over the lazy dog", 43), 0x414FA339u);
  // Long texts go four bytes at a time: from any alignment, with bytes left over, and just
  // below the length where that starts.
  std::string bytes;
  for (int i = 0; i < 10007; ++i) bytes += static_cast<char>(i * 7 + i / 13);
  EXPECT_EQ(nvram_crc32(bytes.data(), 10007), 0x082715B3u);
  EXPECT_EQ(nvram_crc32(bytes.data() + 1, 5000), 0x97AA8CCCu);
  EXPECT_EQ(nvram_crc32(bytes.data() + 3, 4099), 0xAAC07B71u);
  EXPECT_EQ(nvram_crc32(bytes.data() + 2, 2048), 0x505E109Bu);
  EXPECT_EQ(nvram_crc32(bytes.data(), 2047), 0xF34ED270u);
}

TEST_F(ImageTest, SoundImageReplacesTheWorkingCopy) {
  set_settings({{"old", "1"}});
  const std::string entries = entry_list_of({{"a", "1"}, {"b", "x=y"}});
  write_file("/tmp/qd_nvram", image_of(entries) + "trailing bytes are ignored");
  EXPECT_EQ(load(), 0);
  EXPECT_EQ(read_file("/tmp/nvram"), entries);
}

TEST_F(ImageTest, EmptyImageLoadsAnEmptyWorkingCopy) {
  set_settings({{"old", "1"}});
  write_file("/tmp/qd_nvram", image_of(""));
  EXPECT_EQ(load(), 0);
  EXPECT_TRUE(file_exists("/tmp/nvram"));
  EXPECT_EQ(read_file("/tmp/nvram"), "");
}

TEST_F(ImageTest, ReservedHeaderBytesAreNotExamined) {
  std::string image = image_of(entry_list_of({{"a", "1"}}));
  for (size_t i = 12; i < 40; ++i) image[i] = static_cast<char>(0xA5);
  write_file("/tmp/qd_nvram", image);
  EXPECT_EQ(load(), 0);
  EXPECT_EQ(read_file("/tmp/nvram"), entry_list_of({{"a", "1"}}));
}

TEST_F(ImageTest, RejectedImagesLeaveTheWorkingCopyUntouched) {
  const std::string good = image_of(entry_list_of({{"a", "1"}}));
  std::string big_endian = good;
  big_endian.replace(0, 4, std::string("\0NOR", 4));
  std::string changed_byte = good;
  changed_byte[41] ^= 1;
  std::string long_length = good;
  long_length[4] = 100;  // length beyond the data present
  std::string huge_length = good;
  huge_length.replace(4, 4, "\xff\xff\xff\xff");

  struct Case {
    const char* name;
    std::string image;
    int result;
    bool crc_lines;
  } cases[] = {
      {"big-endian magic", big_endian, 2, false},
      {"shorter than 16 bytes", good.substr(0, 15), 2, false},
      {"empty file", "", 2, false},
      {"one changed data byte", changed_byte, 4, true},
      {"length beyond the data", long_length, 4, true},
      {"length too large to allocate", huge_length, 4, true},
      {"header cut after 20 bytes", good.substr(0, 20), 4, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    write_file("/tmp/nvram", kWorking);
    write_file("/tmp/qd_nvram", c.image);
    std::string printed;
    EXPECT_EQ(load(&printed), c.result);
    EXPECT_EQ(read_file("/tmp/nvram"), kWorking);
    EXPECT_EQ(printed.rfind("CRC Error!!\nheader.crc=", 0) == 0, c.crc_lines) << printed;
  }
}

TEST_F(ImageTest, CrcMismatchPrintsStoredThenComputedValue) {
  const std::string entries = entry_list_of({{"a", "1"}});
  std::string image = image_of(entries);
  image.replace(8, 4, std::string("\x01\x00\x00\x00", 4));
  write_file("/tmp/qd_nvram", image);
  std::string printed;
  EXPECT_EQ(load(&printed), 4);
  char expected[64];
  std::snprintf(expected, sizeof expected, "CRC Error!!\nheader.crc=1\tcrc=%lx\n",
                static_cast<unsigned long>(nvram_crc32(entries.data(), static_cast<long>(entries.size()))));
  EXPECT_EQ(printed, expected);
}

TEST_F(ImageTest, MissingImageIsSilent) {
  write_file("/tmp/nvram", kWorking);
  std::string printed;
  EXPECT_EQ(load(&printed), 1);
  EXPECT_EQ(printed, "");
  EXPECT_EQ(read_file("/tmp/nvram"), kWorking);
}

TEST_F(ImageTest, HeaderIsLittleEndianOnEveryProcessor) {
  const std::string file = std::string("RON\0\x03\x00\x00\x00\x78\x56\x34\x12", 12) + std::string(28, '\0') +
                           std::string("a=\0", 3);
  auto header = parse_image_header(file);
  ASSERT_TRUE(header);
  EXPECT_EQ(header->magic, kImageMagic);
  EXPECT_EQ(header->length, 3u);
  EXPECT_EQ(header->crc, 0x12345678u);
  EXPECT_EQ(image_entries(file), std::string_view("a=\0", 3));
  EXPECT_EQ(image_entries("RON"), "");
}

TEST_F(ImageTest, WholeFileReadAndWrite) {
  char* buf = nullptr;
  EXPECT_EQ(readFileBin("/tmp/none", &buf), -1);
  EXPECT_EQ(buf, nullptr);

  write_file("/tmp/f", "a much longer old content");
  EXPECT_EQ(writeFileBin("/tmp/f", "abc", 3), 0);
  EXPECT_EQ(read_file("/tmp/f"), "abc");
  ASSERT_EQ(readFileBin("/tmp/f", &buf), 3);
  EXPECT_EQ(std::string(buf, 3), "abc");
  std::free(buf);

  EXPECT_EQ(writeFileBin("/tmp/new", "x", 1), 0);
  struct stat st {};
  ASSERT_EQ(::stat(host_path("/tmp/new").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_LT(writeFileBin("/no/such/dir/f", "x", 1), 0);
}

}  // namespace
