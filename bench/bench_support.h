// What the benchmarks share: the scratch gateway root on the recording platform, the floor of
// a settings call, and a console reporter that ends a run with a table of ratios.
//
// The reporter keeps each benchmark's processor time per iteration (the median
// when repetitions are asked for) and counters, so that a run can end with a table of ratios.
// Processor time (user and system) rather than wall time: the machines these run on are
// shared, and a settings call in the page cache never waits for anything but the processor.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

#include "scratch.h"
#include "store.h"

namespace bench {

// The run's scratch root: under $QD_BENCH_DIR when set, else on /dev/shm (a RAM file system
// like the gateway's /tmp) when present, else under /tmp. Removed when the run ends. Shell
// lines are counted, not kept.
support::ScratchRoot& root();
// The same entries as working copy and image, as after a sound start-up load.
void lay_store(const std::string& entries);

// The floor of a settings call, with plain system calls: opens the host file, takes the
// shared lock, asks the size, reads the whole file into `buffer` (large enough) in one call
// and closes it. Returns the count read.
long read_once(const std::string& host_file, std::vector<char>& buffer);

struct Result {
  double time_us = 0;  // processor time per iteration (user and system)
  std::map<std::string, double> counters;
};

class TableReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.run_type == Run::RT_Aggregate && !median) continue;
      if (run.error_occurred) continue;
      std::string name = run.run_name.str();
      // Manual timings are measured as thread processor time too (see the benchmarks).
      bool manual = strip(name, "/manual_time");
      if (!median && medians_.count(name)) continue;
      if (median) medians_[name] = true;
      Result result;
      result.time_us = (manual ? run.GetAdjustedRealTime() : run.GetAdjustedCPUTime()) * to_us(run.time_unit);
      for (const auto& [key, counter] : run.counters) result.counters[key] = counter.value;
      results_[name] = result;
    }
    ConsoleReporter::ReportRuns(runs);
  }

  // Time per iteration in microseconds; 0 when the benchmark did not run.
  double us(const std::string& name) const {
    auto it = results_.find(name);
    return it == results_.end() ? 0 : it->second.time_us;
  }
  double counter(const std::string& name, const std::string& key) const {
    auto it = results_.find(name);
    if (it == results_.end()) return 0;
    auto c = it->second.counters.find(key);
    return c == it->second.counters.end() ? 0 : c->second;
  }

 private:
  static bool strip(std::string& name, const std::string& suffix) {
    if (!name.ends_with(suffix)) return false;
    name.resize(name.size() - suffix.size());
    return true;
  }
  static double to_us(benchmark::TimeUnit unit) {
    switch (unit) {
      case benchmark::kNanosecond: return 1e-3;
      case benchmark::kMicrosecond: return 1;
      case benchmark::kMillisecond: return 1e3;
      case benchmark::kSecond: return 1e6;
    }
    return 1;
  }

  std::map<std::string, Result> results_;
  std::map<std::string, bool> medians_;
};

// Runs the registered benchmarks and prints `print`'s table of their results. Returns main's
// exit status.
inline int run_and_print(void (*print)(const TableReporter&)) {
  TableReporter report;
  benchmark::RunSpecifiedBenchmarks(&report);
  print(report);
  benchmark::Shutdown();
  return 0;
}

}  // namespace bench
