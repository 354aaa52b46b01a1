// A kill placed at a chosen system call of the real qd_rc, preloaded into it (LD_PRELOAD), for
// the tests of what a kill leaves in the settings store:
//   QD_KILL_AT=write      a write of the working copy longer than a page is cut at the first
//                         4 KB boundary of the file after its start, as the kernel cuts the
//                         write of a killed process, and the process is killed there
//   QD_KILL_AT=reserve    killed when it reserves space for the working copy
//   QD_KILL_AT=unlink     killed when it is about to remove the redo record
//   QD_WAIT_AT_LOCK=PATH  the first exclusive lock it asks for waits until PATH exists (and
//                         PATH.waiting is made when the wait begins)
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

bool kill_at(const char* point) {
  const char* at = std::getenv("QD_KILL_AT");
  return at && std::strcmp(at, point) == 0;
}

bool is_working_copy(int fd) {
  char link[64], target[256];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  ssize_t n = ::readlink(link, target, sizeof target - 1);
  if (n <= 0) return false;
  target[n] = '\0';
  return std::strcmp(target, "/tmp/nvram") == 0;
}

template <typename Function>
Function next(const char* name) {
  return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" {

ssize_t pwrite(int fd, const void* data, size_t size, off_t offset) {
  static auto real = next<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite");
  constexpr off_t kPage = 4096;
  if (kill_at("write") && size > static_cast<size_t>(kPage) && is_working_copy(fd)) {
    size_t first = static_cast<size_t>((offset / kPage + 1) * kPage - offset);
    real(fd, data, first, offset);
    ::kill(::getpid(), SIGKILL);
  }
  return real(fd, data, size, offset);
}

int posix_fallocate(int fd, off_t offset, off_t size) {
  static auto real = next<int (*)(int, off_t, off_t)>("posix_fallocate");
  if (kill_at("reserve") && is_working_copy(fd)) ::kill(::getpid(), SIGKILL);
  return real(fd, offset, size);
}

int unlink(const char* path) {
  static auto real = next<int (*)(const char*)>("unlink");
  if (kill_at("unlink") && std::strcmp(path, "/tmp/nvram.redo") == 0) ::kill(::getpid(), SIGKILL);
  return real(path);
}

int fcntl(int fd, int command, ...) {
  static auto real = next<int (*)(int, int, ...)>("fcntl");
  static bool waited = false;
  va_list args;
  va_start(args, command);
  void* argument = va_arg(args, void*);
  va_end(args);
  const char* go = std::getenv("QD_WAIT_AT_LOCK");
  if (go && !waited && command == F_SETLKW && static_cast<struct flock*>(argument)->l_type == F_WRLCK) {
    waited = true;
    char waiting[256];
    std::snprintf(waiting, sizeof waiting, "%s.waiting", go);
    ::close(::open(waiting, O_WRONLY | O_CREAT, 0600));
    timespec pause{0, 1000000};
    while (::access(go, F_OK) != 0) ::nanosleep(&pause, nullptr);
  }
  return real(fd, command, argument);
}

}  // extern "C"
