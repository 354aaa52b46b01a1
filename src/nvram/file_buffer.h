// A whole settings file in memory, read in one pass under the lock its reader asks for.
#pragma once

#include <cstddef>
#include <string_view>

enum class LockMode { none, shared };

// The buffer is kept for the next read, so that repeated gets do not allocate.
class FileBuffer {
 public:
  constexpr FileBuffer() = default;
  FileBuffer(const FileBuffer&) = delete;
  FileBuffer& operator=(const FileBuffer&) = delete;
  ~FileBuffer();

  // Reads the whole file (under a shared lock when asked). False, with no data, when the
  // file cannot be opened or read, or the memory for it cannot be had.
  [[nodiscard]] bool load(const char* path, LockMode lock);
  // Reads the whole of an already open (and locked) file. A second descriptor must not be
  // opened for that: closing it would drop the process's locks on the file.
  [[nodiscard]] bool read_fd(int fd);
  std::string_view data() const { return {bytes_, size_}; }

 private:
  [[nodiscard]] bool reserve(size_t size);

  char* bytes_ = nullptr;
  size_t capacity_ = 0;
  size_t size_ = 0;
};
