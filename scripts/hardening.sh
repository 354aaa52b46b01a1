#!/usr/bin/env bash
# Hardening in one command: fuzzing, hostile settings, faults, load, signals and memcheck.
#
#   scripts/hardening.sh [--short] [--fuzz-seconds N] [--load-seconds N] [--kill-runs N] [--kill-rounds N]
#
# --short is what CI runs (scripts/test.sh runs the same through the fuzz and host presets):
# 10 s per fuzz target, one round of load, 200 signalled runs per case and 20 rounds of the
# four killers. Without it: 120 s per fuzz target, 60 s of load, 2,000 signalled runs per case
# and 400 rounds. Ends with the figures that docs/reliability.md keeps; exit status 0 when all
# held.
set -uo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

fuzz_seconds=120 load_seconds=60 kill_runs=2000 kill_rounds=400
while (($#)); do
  case $1 in
    --short) fuzz_seconds=10 load_seconds=0 kill_runs=200 kill_rounds=20 ;;
    --fuzz-seconds | --load-seconds | --kill-runs | --kill-rounds)
      [[ ${2:-} =~ ^[0-9]+$ ]] || { echo "$1: a number" >&2; exit 2; }
      case $1 in
        --fuzz-seconds) fuzz_seconds=$2 ;;
        --load-seconds) load_seconds=$2 ;;
        --kill-runs) kill_runs=$2 ;;
        *) kill_rounds=$2 ;;
      esac
      shift ;;
    *) echo "usage: $0 [--short] [--fuzz-seconds N] [--load-seconds N] [--kill-runs N] [--kill-rounds N]" >&2; exit 2 ;;
  esac
  shift
done

bash scripts/deps.sh || exit 1
status=0
summary=()
note() { summary+=("$1"); }
fail() { summary+=("FAILED: $1"); status=1; }

build() {
  cmake --preset "$1" >/dev/null && cmake --build --preset "$1" -j"$(nproc)" >/dev/null ||
    { echo "build of $1 failed"; cmake --build --preset "$1" 2>&1 | tail -30; exit 1; }
}

echo "=== build (host-debug, fuzz)"
build host-debug
build fuzz

echo "=== fuzzing, ${fuzz_seconds} s per target"
log=$(mktemp)
work=$(mktemp -d)
# The crash inputs stay in $work when a target fails (its path is printed).
trap 'rm -f "$log"; [ "$status" != 0 ] || rm -rf "$work"' EXIT
# Inputs found go to the build tree's corpus (kept between runs); the committed seeds stay as they are.
for target in build/fuzz/fuzz/*_fuzz; do
  name=$(basename "$target")
  # Crash inputs land in the work folder, named after the target.
  if (cd "$work" && "$repo/$target" -max_total_time="$fuzz_seconds" -timeout=20 -close_fd_mask=1 \
        -print_final_stats=1 -artifact_prefix="$work/$name-" "$repo/build/fuzz/fuzz/corpus/$name" "$repo/fuzz/corpus/$name") >"$log" 2>&1; then
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
    ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
    corpus=$(grep -o 'corp: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
    note "fuzz ${name}: ${execs} inputs, ${cov} edges, ${ft} features, corpus ${corpus}"
  else
    grep -E 'ERROR|check failed|SUMMARY|Test unit written|^0x' "$log" | head -20
    fail "fuzz ${name}: see the input in ${work}"
  fi
done

echo "=== hostile settings and faults (unit level)"
if ./build/host-debug/tests/unit/unit_tests --gtest_filter='*Hostile*:ShellHazard*:*Faults*' >"$log" 2>&1; then
  note "hostile settings and faults: $(grep -c '^\[       OK \]' "$log") tests passed"
else
  grep -E 'FAILED|Failure|error' "$log" | head -20
  fail "hostile settings and faults"
fi

echo "=== faults and hostile settings (the real program)"
if ctest --test-dir build/host-debug -R 'fault_|e2e.hostile' --output-on-failure >"$log" 2>&1; then
  note "real program: $(grep -o '[0-9]*% tests passed, [0-9]* tests failed out of [0-9]*' "$log"), $(grep -c 'Skipped' "$log") skipped"
else
  tail -40 "$log"; fail "faults or hostile settings of the real program"
fi

echo "=== load"
if ./build/host-debug/tests/hardening/load_test --seconds "$load_seconds" 2>"$log"; then
  while read -r line; do note "$line"; done <"$log"
else
  cat "$log"; fail "load"
fi

echo "=== signals while the store is written, ${kill_runs} runs per case, ${kill_rounds} rounds of four killers"
./build/host-debug/tests/hardening/kill_test ./build/host-debug/src/qd_rc --runs "$kill_runs" --rounds "$kill_rounds" >"$log" 2>&1
case $? in
  0) while read -r line; do note "$line"; done <"$log" ;;
  77) note "signals: skipped (needs root)" ;;
  *) cat "$log"; fail "signals while the store is written" ;;
esac

echo "=== the redo record: kills at chosen calls, another writer, a planted record"
./build/host-debug/tests/hardening/record_test ./build/host-debug/src/qd_rc \
  ./build/host-debug/tests/hardening/libkill_at.so >"$log" 2>&1
case $? in
  0) note "$(tail -1 "$log")" ;;
  77) note "redo record: skipped (needs root)" ;;
  *) cat "$log"; fail "the redo record" ;;
esac

echo "=== memcheck over every action"
if valgrind --tool=memcheck --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite,indirect \
     ./build/host-debug/tests/hardening/actions_run >"$log" 2>&1; then
  note "memcheck: $(grep -o 'ERROR SUMMARY: [0-9]* errors' "$log"), $(grep -o 'total heap usage: .*' "$log")"
else
  grep -E 'Invalid|uninitialised|definitely|ERROR SUMMARY' "$log" | head -20; fail "memcheck"
fi

echo
echo "=== figures"
printf '%s\n' "${summary[@]}"
exit $status
