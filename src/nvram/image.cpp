// The settings image format and its CRC-32.
#include "nvram/image.h"

#include <algorithm>
#include <array>
#include <cstring>

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

// The CRC state after one more byte whose value is already xored into its low byte.
[[gnu::always_inline]] constexpr uint32_t crc_step(uint32_t crc) {
  return kCrcTable[crc & 0xFF] ^ (crc >> 8);
}

uint32_t read_le32(std::string_view bytes, size_t offset) {
  auto byte = [&](size_t i) { return static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset + i])); };
  return byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24;
}

}  // namespace

uint32_t nvram_crc32(const void* data, long len) {
  if (len <= 0) return 0;
  const auto* p = static_cast<const unsigned char*>(data);
  const unsigned char* const end = p + len;
  uint32_t crc = 0xFFFFFFFFu;
  // A whole image four bytes at a time (slicing by four: eleven instructions a byte become
  // about seven on the gateway's processor). The three more tables, the CRC of a byte followed
  // by one, two and three zero bytes, are derived from the first at each call, which a short
  // text does not repay.
  constexpr long kSliceFrom = 2048;
  if (len >= kSliceFrom) {
    uint32_t one[256], two[256], three[256];
    for (size_t i = 0; i < 256; ++i) {
      one[i] = crc_step(kCrcTable[i]);
      two[i] = crc_step(one[i]);
      three[i] = crc_step(two[i]);
    }
    for (; reinterpret_cast<uintptr_t>(p) & 3; ++p) crc = crc_step(crc ^ *p);
    for (const unsigned char* const words_end = end - 3; p < words_end; p += 4) {
      uint32_t word;
      std::memcpy(&word, __builtin_assume_aligned(p, 4), 4);
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
      word = __builtin_bswap32(word);
#endif
      word ^= crc;
      crc = three[word & 0xFF] ^ two[(word >> 8) & 0xFF] ^ one[(word >> 16) & 0xFF] ^ kCrcTable[word >> 24];
    }
  }
  for (; p < end; ++p) crc = crc_step(crc ^ *p);
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
