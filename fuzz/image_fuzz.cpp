// The settings image over arbitrary bytes: the header parse, the entry view and the load
// that copies a sound image over the working copy (and leaves it alone otherwise).
#include <string>

#include "fuzz_support.h"
#include "nvram/image.h"
#include "nvram/load.h"
#include "nvram/nvram.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view file(reinterpret_cast<const char*>(data), size);
  auto header = parse_image_header(file);
  std::string_view entries = image_entries(file);
  FUZZ_CHECK(entries.empty() || (entries.data() >= file.data() + kImageHeaderSize &&
                                 entries.data() + entries.size() <= file.data() + file.size()));

  static const std::string kBefore("keep=1\0\0", 8);
  support::ScratchRoot& root = fuzz::fresh_root();
  root.write("/tmp/nvram", kBefore);
  root.write("/tmp/qd_nvram", file);
  int result = nvram_load();
  std::string after = root.read("/tmp/nvram");
  std::string_view present = file.substr(std::min(size, kImageHeaderSize));

  if (!header || header->magic != kImageMagic) {
    FUZZ_CHECK(result == 2);
  } else if (present.size() >= header->length && nvram_crc32(present.data(), header->length) == header->crc) {
    // A header cut inside its reserved bytes with no data (length 0, CRC 0) is an empty image.
    FUZZ_CHECK(result == 0);
    FUZZ_CHECK(after == present.substr(0, header->length));
  } else {
    FUZZ_CHECK(result == 4);
  }
  if (result != 0) FUZZ_CHECK(after == kBefore);
  // The fallback lookup reads the image's entries whatever they hold.
  nvram_get("keep");
  nvram_get("wifiSSID");
  return 0;
}
