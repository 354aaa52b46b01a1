// Settings get and set on working copies of 4 to 256 KB, beside the floor of the same run:
// opening, locking, reading and closing the same file once. Ends with the table of ratios.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "bench_support.h"
#include "nvram/entry_list.h"
#include "nvram/nvram.h"
#include "platform/fake.h"

namespace {

constexpr int kSizesKb[] = {4, 16, 64, 256};
constexpr char kAbsentKey[] = "benchAbsentKey";

struct Case {
  const char* name;
  bool near_end;        // the key near the end of the list, else near the start
  bool absent;          // a key the store lacks
  bool resize = false;  // sets: values of two lengths, each set rewriting the list from the key on
};
constexpr Case kCases[] = {{"start", false, false}, {"end", true, false}, {"miss", false, true}};
// A set that changes a value's length near the start rewrites nearly the whole list: the
// write that a kill could tear, which leaves its redo record while it lasts.
constexpr Case kResize = {"resize", false, false, true};

// Processor time of this thread, user and system, as the other benchmarks measure it.
double thread_seconds() {
  timespec now;
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

support::Store store_of(int kb) { return support::make_store(static_cast<size_t>(kb) * 1024); }

const std::pair<std::string, std::string>& entry_at(const support::Store& store, bool near_end) {
  return store.settings[near_end ? store.settings.size() - 2 : 1];
}

// The floor: open, shared lock, size, one read, close.
void floor_read(benchmark::State& state, int kb) {
  support::Store store = store_of(kb);
  bench::lay_store(store.entries);
  std::string path = bench::root().host_path("/tmp/nvram");
  std::vector<char> buffer(store.entries.size() + 1);
  for (auto _ : state) benchmark::DoNotOptimize(bench::read_once(path, buffer));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(store.entries.size()));
}

// The walk alone, in memory: what a get adds to the floor besides copying the value.
void scan(benchmark::State& state, int kb) {
  support::Store store = store_of(kb);
  std::string key = entry_at(store, true).first;
  for (auto _ : state) benchmark::DoNotOptimize(entry_list::find_value(store.entries, key));
}

void get(benchmark::State& state, int kb, Case which) {
  support::Store store = store_of(kb);
  bench::lay_store(store.entries);
  std::string key = which.absent ? kAbsentKey : entry_at(store, which.near_end).first;
  fake::sys().opens = {};
  for (auto _ : state) benchmark::DoNotOptimize(nvram_get(key.c_str()));
  const fake::OpenCounts& count = fake::sys().opens;
  state.counters["opens"] =
      static_cast<double>(count.working_copy + count.image) / static_cast<double>(state.iterations());
}

// Sets of an existing key alternate between two values of its length, so that every set
// changes the file and its size stays put (or, resizing, between that length and one more).
// A set of an absent key appends it; the file is put back (outside the timed part) before
// the next one.
void set(benchmark::State& state, int kb, Case which) {
  support::Store store = store_of(kb);
  bench::lay_store(store.entries);
  std::string key = which.absent ? kAbsentKey : entry_at(store, which.near_end).first;
  std::string stored = which.absent ? "benchValue" : entry_at(store, which.near_end).second;
  std::string values[2] = {std::string(stored.size(), 'x'), std::string(stored.size() + which.resize, 'y')};
  std::string path = bench::root().host_path("/tmp/nvram");
  int restore_fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  off_t size = static_cast<off_t>(store.entries.size());
  unsigned n = 0;
  for (auto _ : state) {
    double begin = thread_seconds();
    nvram_set(key.c_str(), values[n++ & 1].c_str());
    state.SetIterationTime(thread_seconds() - begin);
    if (which.absent) {
      // The new entry overwrote the old list terminator: restore it, drop the entry.
      ::pwrite(restore_fd, "", 1, size - 1);
      ::ftruncate(restore_fd, size);
    }
  }
  ::close(restore_fd);
}

void print_table(const bench::TableReporter& report) {
  std::printf("\nSettings store, microseconds per call and ratio to the floor of the same size\n");
  std::printf("%-7s %8s %8s | %-16s %-16s %-16s | %-16s %-16s %-16s %-16s\n", "store", "floor", "walk",
              "get start", "get end", "get miss", "set start", "set end", "set miss", "set resize");
  for (int kb : kSizesKb) {
    std::string size = std::to_string(kb);
    double floor = report.us("floor/" + size + "KB");
    std::printf("%4d KB %8.2f %8.2f |", kb, floor, report.us("scan/" + size + "KB"));
    for (const char* op : {"get", "set"}) {
      std::vector<Case> cases(std::begin(kCases), std::end(kCases));
      if (std::string(op) == "set") cases.push_back(kResize);
      for (const Case& c : cases) {
        double t = report.us(std::string(op) + "/" + size + "KB/" + c.name);
        char cell[32];
        std::snprintf(cell, sizeof cell, "%.2f (%.2fx)", t, floor > 0 ? t / floor : 0.0);
        std::printf(" %-16s", cell);
      }
      std::printf(std::string(op) == "get" ? " |" : "\n");
    }
  }
  std::printf(
      "(walk: the search of the whole list in memory, without the file; a miss reads the\n"
      " working copy and then the image, both of the store's size)\n");
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  bench::root();
  for (int kb : kSizesKb) {
    std::string size = std::to_string(kb) + "KB";
    benchmark::RegisterBenchmark(("floor/" + size).c_str(), floor_read, kb)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(("scan/" + size).c_str(), scan, kb)->Unit(benchmark::kMicrosecond);
    for (const Case& c : kCases)
      benchmark::RegisterBenchmark(("get/" + size + "/" + c.name).c_str(), get, kb, c)
          ->Unit(benchmark::kMicrosecond);
    for (const Case& c : {kCases[0], kCases[1], kCases[2], kResize})
      benchmark::RegisterBenchmark(("set/" + size + "/" + c.name).c_str(), set, kb, c)
          ->Unit(benchmark::kMicrosecond)
          ->UseManualTime();
  }
  return bench::run_and_print(print_table);
}
