// The real system's hold of the settings writes: while it lasts, a signal that would end the
// process waits (SIGTERM here, sent to itself); holds nest; the last release lets the waiting
// signal in; and a shell line run meanwhile starts with the mask of before the hold. The
// shell is this program itself, bound over /bin/sh in a mount namespace of its own (the
// system's shells clear their mask when they start, which would hide what they were given).
// Exit status 77 when the namespace cannot be had (no root).
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/system.h"

namespace {

volatile sig_atomic_t terms = 0;

bool term_blocked() {
  sigset_t mask;
  sigprocmask(SIG_SETMASK, nullptr, &mask);
  return sigismember(&mask, SIGTERM) == 1;
}

bool check(bool held, const char* what) {
  if (!held) std::printf("FAIL: %s\n", what);
  return held;
}

}  // namespace

int main(int argc, char** argv) {
  // As /bin/sh -c LINE: tell by the exit status whether SIGTERM came blocked.
  if (argc == 3 && std::strcmp(argv[1], "-c") == 0) return term_blocked() ? 1 : 0;
  char self[4096] = {};
  if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0 || unshare(CLONE_NEWNS) != 0 ||
      mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
      mount(self, "/bin/sh", nullptr, MS_BIND, nullptr) != 0) {
    std::printf("SKIP: needs root for a private mount namespace\n");
    return 77;
  }
  signal(SIGTERM, [](int) { terms = terms + 1; });
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  bool ok = true;

  platform::hold_signals();
  platform::hold_signals();
  ok &= check(term_blocked(), "SIGTERM held");
  int status = platform::run_shell("the line");
  ok &= check(WIFEXITED(status) && WEXITSTATUS(status) == 0, "the shell started without the hold");
  raise(SIGTERM);
  platform::release_signals();
  ok &= check(terms == 0 && term_blocked(), "SIGTERM still held after the inner release");
  platform::release_signals();
  ok &= check(terms == 1 && !term_blocked(), "SIGTERM taken once the outer hold ended");
  platform::release_signals();
  ok &= check(!term_blocked(), "a release without a hold changes nothing");
  if (ok) std::printf("signal hold: all checks passed\n");
  return ok ? 0 : 1;
}
