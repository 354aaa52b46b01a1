// Whole-file reads and writes of the settings files.
#include "nvram/file_bin.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

#include "nvram/file_buffer.h"
#include "nvram/rewrite.h"

namespace {

// The length of the bytes that two texts begin with alike. The load compares a whole image
// with the working copy at every start, mostly alike: the C library's memcmp compares words
// where a loop of ours would take a byte at a time.
size_t common_prefix(std::string_view a, std::string_view b) {
  constexpr size_t kChunk = 256;
  const size_t common = a.size() < b.size() ? a.size() : b.size();
  size_t at = 0;
  while (common - at >= kChunk && std::memcmp(a.data() + at, b.data() + at, kChunk) == 0) at += kChunk;
  while (at < common && a[at] == b[at]) ++at;
  return at;
}

// The new file `bytes` against the old one: from the first byte that differs; when the length
// stays, only up to the last.
Edit replace_whole(std::string_view now, const void* context) {
  std::string_view bytes = *static_cast<const std::string_view*>(context);
  size_t offset = common_prefix(now, bytes);
  size_t end = bytes.size();
  if (now.size() == bytes.size())
    while (end > offset && now[end - 1] == bytes[end - 1]) --end;
  return {offset, bytes.substr(offset), end - offset};
}

}  // namespace

long readFileBin(const char* path, char** out) {
  *out = nullptr;
  FileBuffer file;
  if (!file.load(path, LockMode::shared)) return -1;
  auto* copy = static_cast<char*>(std::malloc(file.data().empty() ? 1 : file.data().size()));
  if (!copy) return -1;
  std::memcpy(copy, file.data().data(), file.data().size());
  *out = copy;
  return static_cast<long>(file.data().size());
}

int writeFileBin(const char* path, const char* data, long len) {
  const std::string_view bytes(data, len > 0 ? static_cast<size_t>(len) : 0);
  FileBuffer old;
  return rewrite_settings_file(path, old, replace_whole, &bytes);
}
