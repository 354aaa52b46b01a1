// The platform's files: descriptors, opens of the gateway's files, advisory locks, whole reads
// and writes. One implementation (files.cpp) serves both systems; the path an open uses comes
// from the system's resolve_path (platform/system.h).
#pragma once

#include <cstddef>
#include <optional>

namespace platform {

// Why an open failed, in the terms its callers act on.
enum class OpenFailure : unsigned char {
  none,    // it did not fail
  absent,  // nothing stands at the path
  exists,  // a file to be made new is there already
  other,   // anything else: no room, no permission, a symbolic link refused, ...
};

// A file descriptor that is closed exactly once; an invalid one tells why its open failed.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  explicit UniqueFd(OpenFailure failure) : failure_(failure) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()), failure_(other.failure_) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept;
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  // A close that fails here has nobody to tell: whoever must know (a writer) closes first.
  ~UniqueFd() { static_cast<void>(close()); }

  bool valid() const { return fd_ >= 0; }
  int get() const { return fd_; }
  OpenFailure failure() const { return failure_; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }
  // Closes now and reports the result of close(2); 0 when nothing was open.
  [[nodiscard]] int close();

 private:
  int fd_ = -1;
  OpenFailure failure_ = OpenFailure::none;
};

enum class OpenMode {
  read,                 // O_RDONLY
  read_nonblock,        // O_RDONLY | O_NONBLOCK (the random device)
  read_write,           // O_RDWR | O_CREAT, never truncates: sets truncate under their lock
  read_write_old,       // O_RDWR: a file that must be there already (one to mend, never to make)
  write_truncate,       // O_WRONLY | O_CREAT | O_TRUNC (command record)
  read_write_truncate,  // O_RDWR | O_CREAT | O_TRUNC, standard I/O's "w+" (driver profile)
  write_new,            // O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW: fails (exists) when anything is there
  read_unfollowed,      // O_RDONLY | O_NONBLOCK | O_NOFOLLOW: a file looked at before it is trusted;
                        // a symbolic link fails (other), a FIFO opens without waiting
};

// Opens a gateway file (path resolved as above) with O_CLOEXEC; new files get `perms` less the
// process's umask. On failure the returned descriptor is invalid and its failure() tells why.
[[nodiscard]] UniqueFd open_file(const char* path, OpenMode mode, unsigned perms = 0600);

enum class LockKind { shared, exclusive };
// Whole-file advisory record lock, waiting for it; the same lock family as lockf(3), so it
// excludes and is excluded by the gateway's other users of the settings files.
[[nodiscard]] bool lock_file(int fd, LockKind kind);

// What the system keeps about an open file that a trust decision needs.
struct FileFacts {
  enum class Kind : unsigned char { regular, directory, other } kind;
  bool owned_by_me;         // its owner is the process's effective user
  bool writable_by_others;  // its group or everyone may write it
  bool one_link;            // no other name leads to it
  long size;
};
[[nodiscard]] std::optional<FileFacts> file_facts(int fd);
// Whether two open descriptors lead to the same file. Closing one of them drops every advisory
// lock the process holds on it, taken through the other one as well.
[[nodiscard]] bool same_file(int fd, int other_fd);

// Size of the open regular file, or -1 (also for a directory or device). The file position is
// not moved.
[[nodiscard]] long file_size(int fd);
// Reads up to `len` bytes from offset 0, retrying short reads and EINTR; returns the count
// read (less at end of file) or -1 on an error.
[[nodiscard]] long read_whole(int fd, void* buf, size_t len);
// One read of up to `len` bytes from offset 0, EINTR retried: a regular file gives fewer bytes
// only when its end comes first. Returns the count read or -1 on an error.
[[nodiscard]] long read_start(int fd, void* buf, size_t len);
// One read(2) at the current position, retrying EINTR: the count read, 0 at end of file, or -1.
[[nodiscard]] long read_some(int fd, void* buf, size_t len);
// Writes all `len` bytes at `offset` (0: the start); false on any error (ENOSPC included).
[[nodiscard]] bool write_whole(int fd, const void* data, size_t len, size_t offset = 0);
// Writes all `len` bytes at the current position; false on any error.
[[nodiscard]] bool write_all(int fd, const void* data, size_t len);
// Reserves blocks for the first `len` bytes so that a later write of that size cannot fail
// for want of space. False when the space is not there.
[[nodiscard]] bool reserve(int fd, size_t len);
[[nodiscard]] bool truncate_to(int fd, size_t len);
// Removes a gateway file (path resolved as above); false when it was not there or stays.
[[nodiscard]] bool remove_file(const char* path);

}  // namespace platform
