// Starting one shell line, by the three ways a C library can: the runner (posix_spawn),
// the library's system(3), and fork as a system(3) that forks does, each running the empty
// command ":" through /bin/sh -c and waiting for it. Wall time: a start is mostly waiting.
#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>
#include <cstdlib>

#include "platform/system.h"

namespace {

void runner(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(platform::run_shell(":"));
}

void library_system(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(::system(":"));
}

void fork_exec(benchmark::State& state) {
  for (auto _ : state) {
    pid_t pid = ::fork();
    if (pid == 0) {
      ::execl("/bin/sh", "sh", "-c", ":", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    int status;
    ::waitpid(pid, &status, 0);
  }
}

}  // namespace

BENCHMARK(runner)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(library_system)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(fork_exec)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_MAIN();
