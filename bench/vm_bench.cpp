// The guest side of the MIPS VM's cost instrument (bench/vm_start.sh), static so that it runs
// in any root of the guest. By the name it is run under, or its first argument:
//   qd_rc                       does nothing: the replay's stand-in for a child qd_rc line;
//   time FILE PROGRAM ARG...    runs PROGRAM and writes its time in guest nanoseconds to FILE;
//                               exits with its status;
//   replay RECORD               runs every line of a shell record (zero-terminated lines, as
//                               the simulated gateway records them) with /bin/sh -c, in order;
//   calibrate                   times known work: a loop, a system call, a 64 KB copy, a 64 KB
//                               read, an open-read-close of 4 KB, and `sh -c true`; prints one
//                               "name count seconds-each" line per item.
// Times come from the guest's cycle counter (vm_clock.h).
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "record.h"
#include "vm_clock.h"

extern char** environ;

namespace {

using vm_clock::cycle_count;
using vm_clock::elapsed_ns;

int run(char* const argv[]) {
  pid_t pid;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ) != 0) return 127;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int time_program(const char* file, char* const argv[]) {
  uint32_t start = cycle_count();
  int status = run(argv);
  long long elapsed = elapsed_ns(start);
  FILE* out = std::fopen(file, "w");
  if (!out) return 1;
  std::fprintf(out, "%lld\n", elapsed);
  std::fclose(out);
  return status;
}

int shell_line(const char* line) {
  char sh[] = "/bin/sh", dash_c[] = "-c";
  char* argv[] = {sh, dash_c, const_cast<char*>(line), nullptr};
  return run(argv);
}

int replay(const char* record_path) {
  return bench::for_each_recorded_line(record_path,
                                       [](const std::string& line) { shell_line(line.c_str()); });
}

// Each item: its name, how often it runs and the work of one run.
void report(const char* name, long count, long long elapsed_ns) {
  std::printf("%s %ld %.9f\n", name, count,
              static_cast<double>(elapsed_ns) / 1e9 / static_cast<double>(count));
  std::fflush(stdout);
}

template <typename Work>
void measure(const char* name, long count, Work work) {
  uint32_t start = cycle_count();
  for (long i = 0; i < count; ++i) work();
  report(name, count, elapsed_ns(start));
}

int calibrate() {
  constexpr size_t kBig = 64 * 1024, kSmall = 4 * 1024;
  static char source[kBig], target[kBig];
  const char* path = "/tmp/vm_bench.data";
  int fd = ::open(path, O_RDWR | O_CREAT | O_TRUNC, 0600);
  if (fd < 0 || ::write(fd, source, kBig) != static_cast<ssize_t>(kBig)) {
    std::perror(path);
    return 1;
  }
  ::close(fd);

  // The loop's body is empty but kept: one counter increment and one branch an iteration.
  uint32_t start = cycle_count();
  for (long i = 0; i < 100000000; ++i) asm volatile("" ::: "memory");
  report("loop_iteration", 100000000, elapsed_ns(start));
  measure("getppid", 10000, [] { (void)getppid(); });
  measure("memcpy_64k", 1000, [&] {
    std::memcpy(target, source, kBig);
    asm volatile("" : : "r"(target) : "memory");
  });
  fd = ::open(path, O_RDONLY);
  measure("pread_64k", 1000, [&] { (void)::pread(fd, target, kBig, 0); });
  ::close(fd);
  measure("open_pread_4k_close", 1000, [&] {
    int file = ::open(path, O_RDONLY);
    (void)::pread(file, target, kSmall, 0);
    ::close(file);
  });
  measure("sh_c_true", 20, [] { shell_line("true"); });
  ::unlink(path);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const char* name = std::strrchr(argv[0], '/');
  name = name ? name + 1 : argv[0];
  if (std::strcmp(name, "qd_rc") == 0) return 0;
  if (argc >= 4 && std::strcmp(argv[1], "time") == 0) return time_program(argv[2], argv + 3);
  if (argc == 3 && std::strcmp(argv[1], "replay") == 0) return replay(argv[2]);
  if (argc == 2 && std::strcmp(argv[1], "calibrate") == 0) return calibrate();
  std::fputs("usage: vm_bench time FILE PROGRAM [ARG...] | replay RECORD | calibrate\n", stderr);
  return 2;
}
