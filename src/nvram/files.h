// Whole-file I/O of the settings files under advisory locks: the reusable read buffer of the
// gets, and the two whole-file routines readFileBin and writeFileBin.
#pragma once

#include <cstddef>
#include <string_view>

enum class LockMode { none, shared };

// A whole settings file in memory, read in one pass; the buffer is kept for the next read,
// so that repeated gets do not allocate.
class FileBuffer {
 public:
  constexpr FileBuffer() = default;
  FileBuffer(const FileBuffer&) = delete;
  FileBuffer& operator=(const FileBuffer&) = delete;
  ~FileBuffer();

  // Reads the whole file (under a shared lock when asked). False, with no data, when the
  // file cannot be opened or read, or the memory for it cannot be had.
  bool load(const char* path, LockMode lock);
  // Reads the whole of an already open (and locked) file. A second descriptor must not be
  // opened for that: closing it would drop the process's locks on the file.
  bool read_fd(int fd);
  std::string_view data() const { return {bytes_, size_}; }

 private:
  bool reserve(size_t size);

  char* bytes_ = nullptr;
  size_t capacity_ = 0;
  size_t size_ = 0;
};

// Reads a whole file under a shared lock. Returns its size and hands out a malloc'd buffer
// of exactly that size (no terminator added), which the caller frees; -1 and no buffer when
// it cannot be opened, allocated or read.
long readFileBin(const char* path, char** out);

// Replaces a file's contents with `len` bytes, permissions 0600 for a new file. Under the
// file's exclusive lock it writes only the bytes that differ, in place, and cuts the file to
// its length last, so no reader sees it empty, a lack of space leaves the old contents whole
// and no signal leaves it half written (rewrite.h). Returns the result of close (0), or a
// negative value when the file cannot be opened, read or written.
int writeFileBin(const char* path, const char* data, long len);
