// Whole-file reads of the settings files into a buffer kept from one read to the next.
#include "nvram/file_buffer.h"

#include <cstdint>
#include <cstdlib>

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
