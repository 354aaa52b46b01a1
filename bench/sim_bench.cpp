// The timing helper of the start benchmark inside the simulated gateway, static because the
// gateway root holds only the libraries of the programs it was built for. By the name it is
// run under:
//   clock           prints the monotonic clock in nanoseconds (BusyBox date has no finer
//                   unit than the second);
//   anything else   the replay: runs every line of the shell record /sim/bench/record
//                   (zero-terminated lines, as the simulator records them) with /bin/sh -c,
//                   one after the other, waiting for each; lines that start qd_rc itself are
//                   left out, since the record holds the lines of those children too.
#include <spawn.h>
#include <sys/wait.h>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "record.h"

extern char** environ;

namespace {

constexpr char kRecord[] = "/sim/bench/record";
constexpr char kSelf[] = "/sbin/qd_rc ";

int print_clock() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  std::printf("%lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
  return 0;
}

void run_line(const std::string& line) {
  char sh[] = "sh", dash_c[] = "-c";
  char* argv[] = {sh, dash_c, const_cast<char*>(line.c_str()), nullptr};
  pid_t pid;
  if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv, environ) != 0) return;
  int status;
  while (waitpid(pid, &status, 0) < 0) {
  }
}

int replay() {
  return bench::for_each_recorded_line(kRecord, [](const std::string& line) {
    if (line.compare(0, sizeof kSelf - 1, kSelf) != 0) run_line(line);
  });
}

}  // namespace

int main(int, char** argv) {
  const char* name = std::strrchr(argv[0], '/');
  name = name ? name + 1 : argv[0];
  return std::strcmp(name, "clock") == 0 ? print_clock() : replay();
}
