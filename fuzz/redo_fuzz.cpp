// The redo record over arbitrary bytes (any program may write /tmp/nvram.redo): the mend at
// start-up parses it against a working copy that the input gives too (its first byte is the
// copy's length). The record is always removed, and the mend writes nothing but what the
// record carries last: the new bytes that end it.
#include <algorithm>
#include <string>

#include "fuzz_support.h"
#include "nvram/rewrite.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::string_view before = input.substr(0, std::min<size_t>(data[0], input.size()));
  std::string_view record = input.substr(before.size());
  support::ScratchRoot& root = fuzz::fresh_root();
  root.write("/tmp/nvram", before);
  root.write("/tmp/nvram.redo", record);
  mend_working_copy();
  FUZZ_CHECK(!root.exists("/tmp/nvram.redo"));
  std::string after = root.read("/tmp/nvram");
  size_t same = 0;
  while (same < after.size() && same < before.size() && after[same] == before[same]) ++same;
  FUZZ_CHECK(after == before || record.ends_with(std::string_view(after).substr(same)));
  return 0;
}
