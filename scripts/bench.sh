#!/usr/bin/env bash
# Runs every benchmark of qd_rc on a release build and prints their tables: settings get and
# set against the floor of reading the store once, the system calls of one get and one set,
# the profile writer and the start sequence by store size and SSID count, the start of one
# shell line, and `wlan start` in the simulated gateway against the replay of its shell
# lines, and the same on the MIPS VM with its clock counting instructions (bench/vm_start.sh,
# with the calibration of that clock). Not part of scripts/test.sh: these are measurements, not
# tests. Timings are ratios taken within one run.
#   QD_BENCH_REPETITIONS (default 5)   repetitions of each micro-benchmark (median kept)
#   QD_BENCH_START_RUNS (default 9)    runs of each side of the start comparison
#   QD_BENCH_VM_TRIALS (default 5)     trials of each side of the start comparison on the VM
set -euo pipefail
cd "$(dirname "$0")/.."
(($# == 0)) || { echo "usage: scripts/bench.sh   (QD_BENCH_REPETITIONS, QD_BENCH_START_RUNS)" >&2; exit 2; }
bash scripts/deps.sh
cmake --preset release >/dev/null && cmake --build --preset release -j"$(nproc)" >/dev/null
cmake --preset mipsel-release >/dev/null &&
  cmake --build --preset mipsel-release -j"$(nproc)" --target qd_rc vm_bench vm_gets >/dev/null
bin=build/release/bench

cpu=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')
echo "machine: ${cpu:-$(uname -m)}, $(nproc) CPUs, Linux $(uname -r), $(ldd --version | head -1)"
echo "store files on: $(df -T "${QD_BENCH_DIR:-/dev/shm}" 2>/dev/null | awk 'NR == 2 { print $2 }')"

flags=(--benchmark_repetitions="${QD_BENCH_REPETITIONS:-5}" --benchmark_enable_random_interleaving=true
       --benchmark_report_aggregates_only=true --benchmark_min_time=0.1)
echo
"$bin/nvram_bench" "${flags[@]}" 2>/dev/null | sed -n '/^Settings store/,$p'

# System calls of one call: strace counts of N calls less those of none.
if command -v strace >/dev/null; then
  log=$(mktemp)
  trap 'rm -f "$log"' EXIT
  counts() {  # COUNT WHAT: "syscall count" lines of a run of nvram_calls
    strace -f -c -o "$log" "$bin/nvram_calls" 64 "$1" "$2" >/dev/null
    awk 'NF >= 5 && $4 ~ /^[0-9]+$/ && $NF != "total" { print $NF, $4 }' "$log" | sort
  }
  echo
  echo "System calls per call on a 64 KB store (strace -c, 1000 calls less none):"
  for what in get miss set; do
    printf '  %-5s' "$what"
    join -a 2 -e 0 -o 0,1.2,2.2 <(counts 0 "$what") <(counts 1000 "$what") |
      awk '{ n = ($3 - $2) / 1000; if (n >= 0.5) { total += n; printf " %s %.0f,", $1, n } }
           END { printf " total %.0f\n", total }'
  done
fi

echo
"$bin/profile_bench" "${flags[@]}" 2>/dev/null | sed -n '/^creat_ralink_wlan_config/,$p'

echo
echo "Starting one shell line, /bin/sh -c : (median wall time, microseconds):"
"$bin/shell_bench" "${flags[@]}" 2>/dev/null |
  awk '/_median/ { name = $1; sub(/\/real_time_median/, "", name); printf "  %-15s %s\n", name, $2 }'
echo "  (runner: qd_rc's, posix_spawn; library_system: the C library's system(3); fork_exec: fork"
echo "   and exec, as a system(3) that forks)"

echo
bash bench/start_vs_replay.sh "${QD_BENCH_START_RUNS:-9}"

echo
bash bench/vm_start.sh "${QD_BENCH_VM_TRIALS:-5}"
