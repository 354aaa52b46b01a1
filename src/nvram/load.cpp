// nvram_load: verifies /tmp/qd_nvram and copies its entry list over /tmp/nvram.
#include "nvram/load.h"

#include <algorithm>

#include "nvram/file_bin.h"
#include "nvram/file_buffer.h"
#include "nvram/image.h"
#include "nvram/redo.h"
#include "platform/messages.h"
#include "platform/paths.h"

namespace {

// Reads and checks the image, and copies its entry list over the working copy when it is sound.
int load_image() {
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
    platform::print_line("CRC Error!!");
    platform::print("header.crc=%lx\tcrc=%lx\n", static_cast<unsigned long>(header->crc),
                    static_cast<unsigned long>(crc));
    return 4;
  }
  // The write settles what a killed qd_rc left first. A copy that cannot be written (no room)
  // stays as it was, and the load still counts as done, as it always has.
  static_cast<void>(writeFileBin(paths::kWorkingCopy, data.data(), static_cast<long>(data.size())));
  return 0;
}

}  // namespace

int nvram_load() {
  int result = load_image();
  // Before anything reads the working copy: what a killed qd_rc left half written, which the
  // load's own write has settled already.
  if (result != 0) mend_working_copy();
  return result;
}
