// File I/O of the settings store, driver profile, command record and devices.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

#include "platform/files.h"
#include "platform/system.h"

namespace platform {

namespace {

// A system call made again for as long as a signal interrupts it (-1 with EINTR).
template <typename Call>
[[gnu::always_inline]] inline auto uninterrupted(Call call) {
  decltype(call()) rc;
  do {
    rc = call();
  } while (rc < 0 && errno == EINTR);
  return rc;
}

}  // namespace

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
  if (this != &other) {
    static_cast<void>(close());  // as in the destructor
    failure_ = other.failure_;
    fd_ = other.release();
  }
  return *this;
}

int UniqueFd::close() {
  if (fd_ < 0) return 0;
  // Never retried on EINTR: the descriptor is gone either way on Linux.
  int rc = ::close(fd_);
  fd_ = -1;
  return rc;
}

UniqueFd open_file(const char* path, OpenMode mode, unsigned perms) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case OpenMode::read: flags |= O_RDONLY; break;
    case OpenMode::read_nonblock: flags |= O_RDONLY | O_NONBLOCK; break;
    case OpenMode::read_write: flags |= O_RDWR | O_CREAT; break;
    case OpenMode::read_write_old: flags |= O_RDWR; break;
    case OpenMode::write_truncate: flags |= O_WRONLY | O_CREAT | O_TRUNC; break;
    case OpenMode::write_new: flags |= O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW; break;
    case OpenMode::read_unfollowed: flags |= O_RDONLY | O_NONBLOCK | O_NOFOLLOW; break;
    case OpenMode::read_write_truncate: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
  }
  int fd = uninterrupted([=] { return ::open(resolve_path(path), flags, perms); });
  if (fd >= 0) return UniqueFd(fd);
  return UniqueFd(errno == ENOENT   ? OpenFailure::absent
                  : errno == EEXIST ? OpenFailure::exists
                                    : OpenFailure::other);
}

std::optional<FileFacts> file_facts(int fd) {
  struct stat st;
  if (::fstat(fd, &st) < 0) return std::nullopt;
  return FileFacts{S_ISREG(st.st_mode)   ? FileFacts::Kind::regular
                   : S_ISDIR(st.st_mode) ? FileFacts::Kind::directory
                                         : FileFacts::Kind::other,
                   st.st_uid == ::geteuid(), (st.st_mode & (S_IWGRP | S_IWOTH)) != 0, st.st_nlink == 1,
                   static_cast<long>(st.st_size)};
}

bool lock_file(int fd, LockKind kind) {
  struct flock lk {};
  lk.l_type = kind == LockKind::shared ? F_RDLCK : F_WRLCK;
  lk.l_whence = SEEK_SET;
  lk.l_start = 0;
  lk.l_len = 0;  // to the end of the file and beyond, as lockf(F_LOCK) at offset 0
  return uninterrupted([fd, &lk] { return ::fcntl(fd, F_SETLKW, &lk); }) == 0;
}

bool same_file(int fd, int other_fd) {
  struct stat a, b;
  return ::fstat(fd, &a) == 0 && ::fstat(other_fd, &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

long file_size(int fd) {
  // One call where seeking to the end and back takes two: every get asks this. Only a regular
  // file has a size to trust: a directory or device in a settings file's place says anything.
  struct stat st;
  if (::fstat(fd, &st) < 0 || !S_ISREG(st.st_mode)) return -1;
  return static_cast<long>(st.st_size);
}

long read_whole(int fd, void* buf, size_t len) {
  auto* out = static_cast<char*>(buf);
  size_t done = 0;
  while (done < len) {
    ssize_t n = uninterrupted([=] { return ::pread(fd, out + done, len - done, static_cast<off_t>(done)); });
    if (n < 0) return -1;
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<long>(done);
}

long read_start(int fd, void* buf, size_t len) {
  return static_cast<long>(uninterrupted([=] { return ::pread(fd, buf, len, 0); }));
}

long read_some(int fd, void* buf, size_t len) {
  return static_cast<long>(uninterrupted([=] { return ::read(fd, buf, len); }));
}

bool write_whole(int fd, const void* data, size_t len, size_t offset) {
  const auto* in = static_cast<const char*>(data);
  size_t done = 0;
  while (done < len) {
    ssize_t n =
        uninterrupted([=] { return ::pwrite(fd, in + done, len - done, static_cast<off_t>(offset + done)); });
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool write_all(int fd, const void* data, size_t len) {
  const auto* in = static_cast<const char*>(data);
  while (len > 0) {
    ssize_t n = uninterrupted([=] { return ::write(fd, in, len); });
    if (n <= 0) return false;
    in += n;
    len -= static_cast<size_t>(n);
  }
  return true;
}

bool reserve(int fd, size_t len) {
  if (len == 0) return true;
  int rc = ::posix_fallocate(fd, 0, static_cast<off_t>(len));
  // File systems without fallocate: the write itself then reports a lack of space.
  return rc == 0 || rc == EOPNOTSUPP || rc == EINVAL;
}

bool truncate_to(int fd, size_t len) {
  return uninterrupted([=] { return ::ftruncate(fd, static_cast<off_t>(len)); }) == 0;
}

bool remove_file(const char* path) { return ::unlink(resolve_path(path)) == 0; }

}  // namespace platform
