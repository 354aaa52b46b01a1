// The redo record over arbitrary bytes and arbitrary working copies, as the start-up mend
// meets them. The first byte chooses how the record is made: odd, the input's bytes as they
// are; even, the record that qd_rc writes for a rewrite between two lists the input gives (so
// that mutations reach the comparison of the working copy with a record whose sums hold).
//   odd:  mode, working copy length (2 bytes), working copy, record
//   even: mode, working copy length (2 bytes), old list length (2 bytes), working copy, old, new
// The record is always removed, and the working copy stays as it was or becomes the new list
// that the record carries.
#include <algorithm>
#include <string>

#include "fuzz_support.h"
#include "nvram/redo.h"

namespace {

std::string_view take(std::string_view& input, size_t size) {
  std::string_view part = input.substr(0, std::min(size, input.size()));
  input.remove_prefix(part.size());
  return part;
}

size_t length(std::string_view& input) {
  std::string_view bytes = take(input, 2);
  return bytes.size() < 2 ? 0
                          : static_cast<unsigned char>(bytes[0]) | static_cast<unsigned char>(bytes[1]) << 8;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  if (input.empty()) return 0;
  const bool raw = input[0] & 1;
  input.remove_prefix(1);
  size_t before_size = length(input);
  size_t old_size = raw ? 0 : length(input);
  const std::string before(take(input, before_size));
  std::string record, new_list;
  if (raw) {
    record = input;
  } else {
    std::string_view old_list = take(input, old_size);
    new_list = input;
    size_t offset = 0;
    while (offset < old_list.size() && offset < new_list.size() && old_list[offset] == new_list[offset])
      ++offset;
    build_redo_head(record, old_list, offset, std::string_view(new_list).substr(offset));
    record += std::string_view(new_list).substr(offset);
  }
  support::ScratchRoot& root = fuzz::fresh_root();
  root.write("/tmp/nvram", before);
  root.write("/tmp/nvram.redo", record);
  mend_working_copy();
  FUZZ_CHECK(!root.exists("/tmp/nvram.redo"));
  std::string after = root.read("/tmp/nvram");
  if (raw) {
    size_t same = 0;
    while (same < after.size() && same < before.size() && after[same] == before[same]) ++same;
    FUZZ_CHECK(after == before || record.ends_with(std::string_view(after).substr(same)));
  } else {
    FUZZ_CHECK(after == before || after == new_list);
  }
  return 0;
}
