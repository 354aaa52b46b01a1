// The settings image format and its CRC-32.
#include "nvram/image.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<uint32_t, 256> make_crc_table() {
  std::array<uint32_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[i] = c;
  }
  return table;
}

constexpr auto kCrcTable = make_crc_table();
static_assert(kCrcTable[1] == 0x77073096u && kCrcTable[255] == 0x2D02EF8Du);

uint32_t read_le32(std::string_view bytes, size_t offset) {
  auto byte = [&](size_t i) { return static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset + i])); };
  return byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24;
}

}  // namespace

uint32_t nvram_crc32(const void* data, long len) {
  if (len <= 0) return 0;
  const auto* p = static_cast<const unsigned char*>(data);
  uint32_t crc = 0xFFFFFFFFu;
  for (long i = 0; i < len; ++i) crc = kCrcTable[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

std::string build_image(std::string_view entries) {
  std::string image(kImageHeaderSize, '\0');
  const uint32_t fields[] = {kImageMagic, static_cast<uint32_t>(entries.size()),
                             nvram_crc32(entries.data(), static_cast<long>(entries.size()))};
  for (size_t field = 0; field < 3; ++field)
    for (size_t byte = 0; byte < 4; ++byte)
      image[4 * field + byte] = static_cast<char>((fields[field] >> (8 * byte)) & 0xFF);
  image.append(entries);
  return image;
}

std::optional<ImageHeader> parse_image_header(std::string_view file) {
  if (file.size() < 16) return std::nullopt;
  return ImageHeader{read_le32(file, 0), read_le32(file, 4), read_le32(file, 8)};
}

std::string_view image_entries(std::string_view file) {
  auto header = parse_image_header(file);
  if (!header || header->magic != kImageMagic || file.size() <= kImageHeaderSize) return {};
  std::string_view data = file.substr(kImageHeaderSize);
  return data.substr(0, std::min<size_t>(data.size(), header->length));
}
