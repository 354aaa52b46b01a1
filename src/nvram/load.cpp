// nvram_load: verifies /tmp/qd_nvram and copies its entry list over /tmp/nvram.
#include "nvram/load.h"

#include <algorithm>
#include <cstdio>

#include "nvram/files.h"
#include "nvram/image.h"
#include "nvram/rewrite.h"
#include "platform/paths.h"

int nvram_load() {
  // Before anything reads the working copy: what a killed qd_rc left half written.
  mend_working_copy();
  FileBuffer file;
  // The image is read plainly, without a lock: its producer replaces it whole.
  if (!file.load(paths::kImage, LockMode::none)) return 1;
  std::string_view bytes = file.data();
  auto header = parse_image_header(bytes);
  if (!header || header->magic != kImageMagic) return 2;

  std::string_view present =
      bytes.size() > kImageHeaderSize ? bytes.substr(kImageHeaderSize) : std::string_view{};
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
