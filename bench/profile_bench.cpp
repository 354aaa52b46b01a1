// The driver profile writer and the start sequence (shell lines recorded, not run) on
// settings stores of 16, 64 and 256 KB with 1, 4 and 8 SSIDs: processor time per call and
// the number of store reads, beside the floor of reading the store once in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_support.h"
#include "platform/fake.h"
#include "rc/lifecycle.h"
#include "wlan/profile.h"

namespace {

constexpr int kSizesKb[] = {16, 64, 256};
constexpr int kSsidCounts[] = {1, 4, 8};
void lay_store(int kb, int ssids) {
  bench::lay_store(
      support::make_store(static_cast<size_t>(kb) * 1024, support::gateway_settings(ssids)).entries);
}

// The floor, as in nvram_bench: open, shared lock, size, one read, close.
void floor_read(benchmark::State& state, int kb) {
  lay_store(kb, 1);
  std::string path = bench::root().host_path("/tmp/nvram");
  std::vector<char> buffer(static_cast<size_t>(kb) * 1024 + 1);
  for (auto _ : state) benchmark::DoNotOptimize(bench::read_once(path, buffer));
}

// Store reads and shell lines per call, as counters. Sets of a start (a key taken from the
// image) change the store, so it is laid afresh before each call.
void run(benchmark::State& state, int kb, int ssids, int (*action)()) {
  lay_store(kb, ssids);
  fake::sys().opens = {};
  fake::sys().shell_line_count = 0;
  for (auto _ : state) benchmark::DoNotOptimize(action());
  const fake::OpenCounts& count = fake::sys().opens;
  double calls = static_cast<double>(state.iterations());
  state.counters["reads"] = static_cast<double>(count.working_copy) / calls;
  state.counters["image_reads"] = static_cast<double>(count.image) / calls;
  state.counters["lines"] = static_cast<double>(fake::sys().shell_line_count) / calls;
}

std::string name(const char* what, int kb, int ssids) {
  return std::string(what) + "/" + std::to_string(kb) + "KB/" + std::to_string(ssids) + "ssid";
}

void print_table(const bench::TableReporter& report) {
  for (const char* what : {"profile", "start"}) {
    std::printf(
        "\n%s: milliseconds per call, store reads per call (working copy + image), and\n"
        "the time per read against the floor (time / reads / floor)\n",
        what == std::string("profile") ? "creat_ralink_wlan_config" : "wlan_start, shell lines not run");
    std::printf("%-7s %8s |", "store", "floor us");
    for (int ssids : kSsidCounts) std::printf(" %-24s", (std::to_string(ssids) + " SSID").c_str());
    std::printf("\n");
    for (int kb : kSizesKb) {
      double floor = report.us("floor/" + std::to_string(kb) + "KB");
      std::printf("%4d KB %8.2f |", kb, floor);
      for (int ssids : kSsidCounts) {
        std::string n = name(what, kb, ssids);
        double reads = report.counter(n, "reads") + report.counter(n, "image_reads");
        char cell[64];
        std::snprintf(cell, sizeof cell, "%.2f, %.0f+%.0f (%.2fx)", report.us(n) / 1000,
                      report.counter(n, "reads"), report.counter(n, "image_reads"),
                      floor > 0 && reads > 0 ? report.us(n) / reads / floor : 0.0);
        std::printf(" %-24s", cell);
      }
      std::printf("\n");
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  bench::root();
  for (int kb : kSizesKb) {
    benchmark::RegisterBenchmark(("floor/" + std::to_string(kb) + "KB").c_str(), floor_read, kb)
        ->Unit(benchmark::kMicrosecond);
    for (int ssids : kSsidCounts) {
      benchmark::RegisterBenchmark(name("profile", kb, ssids).c_str(), run, kb, ssids,
                                   creat_ralink_wlan_config)
          ->Unit(benchmark::kMicrosecond);
      benchmark::RegisterBenchmark(name("start", kb, ssids).c_str(), run, kb, ssids, wlan_start)
          ->Unit(benchmark::kMicrosecond);
    }
  }
  return bench::run_and_print(print_table);
}
