// Whole-file reads and writes of the settings files.
#include "nvram/files.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "nvram/rewrite.h"
#include "platform/files.h"

FileBuffer::~FileBuffer() { std::free(bytes_); }

bool FileBuffer::reserve(size_t size) {
  if (size <= capacity_) return true;
  // Room to the next 4 KB: a store that sets make a few bytes longer is read again without
  // a new allocation.
  constexpr size_t kStep = 4096;
  size_t capacity = size <= SIZE_MAX - kStep ? (size / kStep + 1) * kStep : size;
  auto* grown = static_cast<char*>(std::realloc(bytes_, capacity));
  if (!grown) return false;
  bytes_ = grown;
  capacity_ = capacity;
  return true;
}

bool FileBuffer::load(const char* path, LockMode lock) {
  size_ = 0;
  // Non-blocking, so that a FIFO put in the settings file's place cannot hang every get; for
  // a regular file the flag changes nothing, and anything else reads as no store.
  platform::UniqueFd fd = platform::open_file(path, platform::OpenMode::read_nonblock);
  if (!fd.valid()) return false;
  if (lock == LockMode::shared && !platform::lock_file(fd.get(), platform::LockKind::shared)) return false;
  // The lock is released when the descriptor closes.
  return read_fd(fd.get());
}

bool FileBuffer::read_fd(int fd) {
  size_ = 0;
  // A file that fits the room an earlier read left is read in one call, without asking its
  // size (on the gateway's processor that question costs as much as reading 4 KB): a read
  // that comes back short has met the end of the file. One that fills the room, or fails,
  // is read again by its size.
  if (capacity_ > 0) {
    long got = platform::read_start(fd, bytes_, capacity_);
    if (got >= 0 && static_cast<size_t>(got) < capacity_) {
      size_ = static_cast<size_t>(got);
      return true;
    }
  }
  long size = platform::file_size(fd);
  if (size < 0 || !reserve(static_cast<size_t>(size))) return false;
  long got = platform::read_whole(fd, bytes_, static_cast<size_t>(size));
  if (got < 0) return false;
  size_ = static_cast<size_t>(got);
  return true;
}

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

}  // namespace

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
  std::string_view bytes(data, len > 0 ? static_cast<size_t>(len) : 0);
  const char* record_path = redo_path_of(path);
  FileBuffer old;
  for (int pass = 0; pass < 2; ++pass) {
    if (!old.read_fd(fd.get())) {
      if (rewrite_unread(fd.get(), bytes) == Rewrite::failed) return -1;
      break;
    }
    // Only from the first byte that differs; when the length stays, only up to the last.
    std::string_view now = old.data();
    size_t offset = common_prefix(now, bytes);
    size_t end = bytes.size();
    if (now.size() == bytes.size())
      while (end > offset && now[end - 1] == bytes[end - 1]) --end;
    Rewrite result = rewrite_in_place(fd.get(), pass == 0 ? record_path : nullptr, now, offset,
                                      bytes.substr(offset), end - offset);
    if (result == Rewrite::failed) return -1;
    if (result == Rewrite::done) break;
    mend_from_record(fd.get(), record_path);
  }
  return fd.close();
}
