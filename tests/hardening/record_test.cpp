// The redo record against what the gateway can really do to it, with the real qd_rc in the
// namespace of real_run.h: kills placed at chosen system calls of `wlan wps_change` (the
// preloaded kill_at library), another program that sets the same key back before the next
// qd_rc, a second qd_rc past its start-up waiting to set while the first one is killed in a
// rewrite, a SIGTERM while wps_change waits for the store's lock, and a record planted by an
// unprivileged user. Exit status 0 when all held, 1 with the failures named, 77 without root.
//
//   record_test QD_RC KILL_AT_LIBRARY
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <functional>
#include <string>

#include "nvram/entry_list.h"
#include "platform/paths.h"
#include "real_run.h"

namespace {

using real_run::exists;
using real_run::read_file;
using real_run::run;
using real_run::write_file;

std::string preload;  // LD_PRELOAD=the kill_at library
int failures = 0;

void check(bool held, const char* what) {
  if (!held) {
    std::printf("FAIL: %s\n", what);
    ++failures;
  }
}

void sleep_ms(long ms) {
  timespec pause{ms / 1000, (ms % 1000) * 1000000};
  ::nanosleep(&pause, nullptr);
}

// Sets `key` as the gateway's other programs do: the lock, the list read whole, rewritten in
// place, knowing nothing of the record.
void foreign_set(const std::string& key, const std::string& value) {
  int fd = ::open(paths::kWorkingCopy, O_RDWR);
  ::lockf(fd, F_LOCK, 0);
  std::string list = read_file(paths::kWorkingCopy);
  std::string rebuilt = entry_list::rebuild(list, key, value);
  ::pwrite(fd, rebuilt.data(), rebuilt.size(), 0);
  ::ftruncate(fd, static_cast<off_t>(rebuilt.size()));
  ::close(fd);
}

// wps_change killed at one system call, another program's set, then the next qd_rc: how many
// of the group's sets the store holds whole.
void kill_points(const support::Settings& original) {
  struct Case {
    const char* name;
    const char* kill_at;
    std::function<void()> meanwhile;
    int sets_done;
  };
  const Case cases[] = {
      {"killed before it reserved the space: the old list stays", "reserve", [] {}, 3},
      {"killed after the first page of the write: the next qd_rc finishes it", "write", [] {}, 4},
      {"killed before the record's removal: the new list stays", "unlink", [] {}, 4},
      {"killed before the record's removal, the name set back by another program: its value stays", "unlink",
       [] { foreign_set("wifiBssid[0]", "home"); }, 3},
  };
  for (const Case& c : cases) {
    std::printf("kill point: %s\n", c.name);
    ::unlink(paths::kWorkingCopyRedo);
    write_file(paths::kWorkingCopy, support::entry_list_of(original));
    int status = real_run::wait_for(
        real_run::start({"wlan", "wps_change"}, {preload, std::string("QD_KILL_AT=") + c.kill_at}));
    check(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL, "killed where placed");
    check(exists(paths::kWorkingCopyRedo), "a record left");
    c.meanwhile();
    run({"wlan", "show"});
    bool torn = false;
    check(real_run::sets_done(read_file(paths::kWorkingCopy), original, torn) == c.sets_done,
          "the sets done, whole");
    check(!exists(paths::kWorkingCopyRedo), "no record left");
  }
}

// A qd_rc past its start-up waits to set while another one is killed in a multi-page rewrite;
// its sets must find the list whole, whatever they write (the same name length in the same
// second: a write that needs no record of its own).
void kill_while_another_waits(const support::Settings& original) {
  std::printf("a kill in a rewrite while a second qd_rc waits to set\n");
  ::unlink(paths::kWorkingCopyRedo);
  ::unlink("/tmp/go");
  ::unlink("/tmp/go.waiting");
  write_file(paths::kWorkingCopy, support::entry_list_of(original));
  pid_t second = real_run::start({"wlan", "wps_change"}, {preload, "QD_WAIT_AT_LOCK=/tmp/go"});
  while (!exists("/tmp/go.waiting")) sleep_ms(1);
  int status = real_run::wait_for(real_run::start({"wlan", "wps_change"}, {preload, "QD_KILL_AT=write"}));
  check(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL, "the first one killed in its rewrite");
  write_file("/tmp/go", "");
  status = real_run::wait_for(second);
  check(WIFEXITED(status) && WEXITSTATUS(status) == 0, "the second one ran to its end");
  bool torn = false;
  check(real_run::sets_done(read_file(paths::kWorkingCopy), original, torn) == 5,
        "a whole store, all five sets");
  check(!exists(paths::kWorkingCopyRedo), "no record left");
}

// A SIGTERM while wps_change waits for the lock of its first set, which another program holds,
// ends it at once, before its first write.
void sigterm_while_waiting(const support::Settings& original) {
  std::printf("SIGTERM while wps_change waits for the lock\n");
  const std::string store = support::entry_list_of(original);
  write_file(paths::kWorkingCopy, store);
  ::unlink("/tmp/go");
  ::unlink("/tmp/go.waiting");
  pid_t pid = real_run::start({"wlan", "wps_change"}, {preload, "QD_WAIT_AT_LOCK=/tmp/go"});
  while (!exists("/tmp/go.waiting")) sleep_ms(1);
  int holder = ::open(paths::kWorkingCopy, O_RDWR);
  ::lockf(holder, F_LOCK, 0);
  write_file("/tmp/go", "");
  // Until the kernel lists its request as waiting behind the holder's lock.
  const std::string waiting = " " + std::to_string(pid) + " ";
  for (int n = 0; n < 5000; ++n) {
    std::ifstream locks("/proc/locks");
    std::string line;
    bool blocked = false;
    while (std::getline(locks, line))
      blocked = blocked || (line.find("->") != std::string::npos && line.find(waiting) != std::string::npos);
    if (blocked) break;
    sleep_ms(1);
  }
  ::kill(pid, SIGTERM);
  int status = 0;
  bool ended = false;
  for (int n = 0; n < 2000 && !ended; ++n) {
    ended = ::waitpid(pid, &status, WNOHANG) == pid;
    if (!ended) sleep_ms(1);
  }
  check(ended && WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM,
        "ended by the SIGTERM while the lock was held");
  ::close(holder);
  if (!ended) real_run::wait_for(pid);
  check(read_file(paths::kWorkingCopy) == store, "nothing written");
}

// A record planted by a user who cannot write the store is never read: the store stays.
void planted_by_another_user(const support::Settings& original) {
  std::printf("a record planted by an unprivileged user\n");
  const std::string store = support::entry_list_of(original);
  write_file(paths::kWorkingCopy, store);
  std::fflush(nullptr);
  pid_t planter = ::fork();
  if (planter == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(1);
    ::_exit(write_file(paths::kWorkingCopyRedo, support::Change::planted(store).record()) ? 0 : 1);
  }
  int status = real_run::wait_for(planter);
  check(WIFEXITED(status) && WEXITSTATUS(status) == 0, "planted as nobody");
  real_run::wait_for(real_run::start({"wlan", "show"}, {}, "/tmp/said"));
  check(read_file(paths::kWorkingCopy) == store, "the store as it was");
  check(!exists(paths::kWorkingCopyRedo), "the planted file removed");
  check(read_file("/tmp/said").find("qd_rc: ignoring /tmp/nvram.redo: owned by another user") !=
            std::string::npos,
        "said so on standard error");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: record_test QD_RC KILL_AT_LIBRARY\n");
    return 2;
  }
  // The library is preloaded from a descriptor the children inherit: the tmpfs on /tmp hides
  // its path when the build tree lies under /tmp.
  int library = ::open(argv[2], O_RDONLY);
  if (library < 0) {
    std::perror(argv[2]);
    return 2;
  }
  preload = "LD_PRELOAD=/proc/self/fd/" + std::to_string(library);
  if (!real_run::enter(argv[1])) {
    std::printf("SKIP: needs root for a private mount namespace\n");
    return real_run::kSkip;
  }
  const support::Settings original = real_run::group_store();
  ::unlink(paths::kImage);
  kill_points(original);
  kill_while_another_waits(original);
  sigterm_while_waiting(original);
  planted_by_another_user(original);
  std::printf(failures ? "record: %d checks failed\n" : "record: all checks held\n", failures);
  return failures ? 1 : 0;
}
