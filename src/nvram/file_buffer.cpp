// Whole-file reads of the settings files into a reusable buffer.
#include "nvram/file_buffer.h"

#include <cstdint>
#include <cstdlib>

#include "platform/platform.h"

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
  platform::UniqueFd fd = platform::open_file(path, platform::OpenMode::read);
  if (!fd.valid()) return false;
  if (lock == LockMode::shared && !platform::lock_file(fd.get(), platform::LockKind::shared)) return false;
  // The lock is released when the descriptor closes.
  return read_fd(fd.get());
}

bool FileBuffer::read_fd(int fd) {
  size_ = 0;
  file_size_ = 0;
  long size = platform::file_size(fd);
  if (size < 0 || !reserve(static_cast<size_t>(size))) return false;
  file_size_ = static_cast<size_t>(size);
  long got = platform::read_whole(fd, bytes_, static_cast<size_t>(size));
  if (got < 0) return false;
  size_ = static_cast<size_t>(got);
  return true;
}
