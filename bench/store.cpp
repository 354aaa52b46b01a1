// The image header around a synthetic store.
#include "store.h"

#include "nvram/image.h"

namespace bench {

std::string image_of(const std::string& entries) {
  std::string image(kImageHeaderSize, '\0');
  auto put = [&](size_t offset, uint32_t v) {
    for (int i = 0; i < 4; ++i) image[offset + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  put(0, kImageMagic);
  put(4, static_cast<uint32_t>(entries.size()));
  put(8, nvram_crc32(entries.data(), static_cast<long>(entries.size())));
  return image + entries;
}

}  // namespace bench
