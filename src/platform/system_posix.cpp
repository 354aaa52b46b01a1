// The real system behind the platform seam: the shell, the kernel's interface table, ioctl
// and the clock.
#include <net/if.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

extern char** environ;

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/system.h"

namespace platform {

namespace {

int hold_depth = 0;
int group_depth = 0;
bool holding = false;       // the signals are held now: by a hold, or by a group since its first write
sigset_t mask_before_hold;  // the mask outside every hold: what a shell line starts with

}  // namespace

const char* resolve_path(const char* path) { return path; }

// system(3) as the standard defines it (SIGINT and SIGQUIT ignored and SIGCHLD blocked in the
// caller while the shell runs, the shell started with the caller's own dispositions and mask,
// the wait status returned), but the shell is started with posix_spawn, which the C library
// does without copying the caller's address space, where system(3) may fork. A restart
// runs some eighty lines, so each one's start counts on a small processor. The shell never
// inherits a hold of the settings writes: it gets the mask of before the hold.
int run_shell(const char* line) {
  if (!line) return ::access(paths::kShell, X_OK) == 0;
  struct sigaction ignore = {}, old_int = {}, old_quit = {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  ::sigaction(SIGINT, &ignore, &old_int);
  ::sigaction(SIGQUIT, &ignore, &old_quit);
  sigset_t chld, old_mask;
  sigemptyset(&chld);
  sigaddset(&chld, SIGCHLD);
  ::sigprocmask(SIG_BLOCK, &chld, &old_mask);

  // The shell gets back what the caller had: default dispositions (unless ignored before)
  // and the old mask.
  sigset_t defaults;
  sigemptyset(&defaults);
  if (old_int.sa_handler != SIG_IGN) sigaddset(&defaults, SIGINT);
  if (old_quit.sa_handler != SIG_IGN) sigaddset(&defaults, SIGQUIT);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setsigmask(&attr, holding ? &mask_before_hold : &old_mask);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  char sh[] = "sh", dash_c[] = "-c";
  char* argv[] = {sh, dash_c, const_cast<char*>(line), nullptr};
  pid_t pid;
  int status;
  int rc = ::posix_spawn(&pid, paths::kShell, nullptr, &attr, argv, environ);
  if (rc == 0) {
    while (::waitpid(pid, &status, 0) < 0) {
      if (errno != EINTR) {
        status = -1;
        break;
      }
    }
  } else {
    // As system(3): a shell that cannot be run reads as one that exited with 127; no child
    // at all (no memory, no process slot) as -1.
    status = rc == ENOENT || rc == EACCES || rc == ENOEXEC ? 127 << 8 : -1;
  }
  posix_spawnattr_destroy(&attr);

  ::sigaction(SIGINT, &old_int, nullptr);
  ::sigaction(SIGQUIT, &old_quit, nullptr);
  ::sigprocmask(SIG_SETMASK, &old_mask, nullptr);
  return status;
}

// nanosleep rather than usleep, which uClibc-ng builds only with its SUSv3 legacy option. A
// pause that a signal cuts short ends there, as usleep's does.
void pause_us(unsigned microseconds) {
  struct timespec pause = {static_cast<time_t>(microseconds / 1000000),
                           static_cast<long>(microseconds % 1000000) * 1000};
  ::nanosleep(&pause, nullptr);
}

int interface_hwaddr(const char* ifname, uint8_t mac[6]) {
  UniqueFd sock(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (!sock.valid()) return -1;
  struct ifreq req {};
  std::strncpy(req.ifr_name, ifname, IFNAMSIZ - 1);
  if (::ioctl(sock.get(), SIOCGIFHWADDR, &req) < 0) return -1;
  std::memcpy(mac, req.ifr_hwaddr.sa_data, 6);
  return 0;
}

int device_ioctl(int fd, unsigned long request, void* arg) { return ::ioctl(fd, request, arg); }

long now_seconds() { return static_cast<long>(::time(nullptr)); }

void hold_signals() {
  ++hold_depth;
  if (holding) return;
  holding = true;
  sigset_t ending;
  sigfillset(&ending);
  // Not held: what cannot be, what the process raises on itself (a fault, abort, a limit it
  // went over), and job control, which ends nothing.
  const int kept[] = {SIGKILL, SIGSTOP, SIGSEGV, SIGBUS,  SIGILL,  SIGFPE,  SIGTRAP, SIGSYS, SIGABRT,
                      SIGXCPU, SIGXFSZ, SIGCHLD, SIGCONT, SIGTSTP, SIGTTIN, SIGTTOU, SIGURG, SIGWINCH};
  for (int signal : kept) sigdelset(&ending, signal);
  ::sigprocmask(SIG_BLOCK, &ending, &mask_before_hold);
}

void join_signal_group() {
  if (group_depth == 0 || holding) return;
  hold_signals();
  --hold_depth;
}

void release_signals() {
  if (hold_depth == 0 || --hold_depth > 0 || group_depth > 0 || !holding) return;
  holding = false;
  ::sigprocmask(SIG_SETMASK, &mask_before_hold, nullptr);
}

void begin_signal_group() { ++group_depth; }

void end_signal_group() {
  if (group_depth == 0 || --group_depth > 0 || hold_depth > 0 || !holding) return;
  holding = false;
  ::sigprocmask(SIG_SETMASK, &mask_before_hold, nullptr);
}

}  // namespace platform
