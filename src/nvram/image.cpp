// Settings image and whole-file I/O of the settings store.
#include "nvram/image.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "nvram/file_buffer.h"
#include "platform/paths.h"
#include "platform/platform.h"

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

long readFileBin(const char* path, char** out) {
  *out = nullptr;
  FileBuffer file;
  if (!file.load(path, LockMode::shared)) return -1;
  auto* copy = static_cast<char*>(std::malloc(file.data().size() ? file.data().size() : 1));
  if (!copy) return -1;
  std::memcpy(copy, file.data().data(), file.data().size());
  *out = copy;
  return static_cast<long>(file.data().size());
}

int writeFileBin(const char* path, const char* data, long len) {
  platform::UniqueFd fd = platform::open_file(path, platform::OpenMode::read_write, 0600);
  if (!fd.valid()) return -1;
  if (!platform::lock_file(fd.get(), platform::LockKind::exclusive)) return -1;
  size_t size = len > 0 ? static_cast<size_t>(len) : 0;
  if (!platform::reserve(fd.get(), size) || !platform::write_whole(fd.get(), data, size) ||
      !platform::truncate_to(fd.get(), size))
    return -1;
  return fd.close();
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

int nvram_load() {
  FileBuffer file;
  // The image is read plainly, without a lock: its producer replaces it whole.
  if (!file.load(paths::kImage, LockMode::none)) return 1;
  std::string_view bytes = file.data();
  auto header = parse_image_header(bytes);
  if (!header || header->magic != kImageMagic) return 2;

  std::string_view present = bytes.size() > kImageHeaderSize ? bytes.substr(kImageHeaderSize) : std::string_view{};
  bool complete = present.size() >= header->length;
  std::string_view data = present.substr(0, std::min<size_t>(present.size(), header->length));
  uint32_t crc = nvram_crc32(data.data(), static_cast<long>(data.size()));
  if (!complete || crc != header->crc) {
    std::puts("CRC Error!!");
    std::printf("header.crc=%lx\tcrc=%lx\n", static_cast<unsigned long>(header->crc),
                static_cast<unsigned long>(crc));
    return 4;
  }
  writeFileBin(paths::kWorkingCopy, data.data(), static_cast<long>(data.size()));
  return 0;
}
