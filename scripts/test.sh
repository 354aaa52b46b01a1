#!/usr/bin/env bash
# Builds qd_rc and runs every test suite: host, sanitizers, end to end, MIPS under emulation.
#   scripts/test.sh            every preset (QD_TEST_PRESETS narrows the list)
# A failing end-to-end test (labels e2e and vm: real processes, links and a booted machine on
# a loaded host) is run once more; any other failure stands. The tests that needed a second
# run are named at the end.
set -uo pipefail
cd "$(dirname "$0")/.."
(($# == 0)) || { echo "usage: scripts/test.sh   (set QD_TEST_PRESETS to run fewer presets)" >&2; exit 2; }
bash scripts/deps.sh || exit 1

log=$(mktemp)
trap 'rm -f "$log"' EXIT
passed=0 failed=0 skipped=0 status=0 reruns=()
rerun_labels='^(e2e|vm)$'

# Counts of the last ctest run in $log: "<failed> <total>", or nothing when it did not finish.
counts() { sed -n 's/.* tests passed, \([0-9]*\) tests failed out of \([0-9]*\)/\1 \2/p' "$log" | tail -1; }
# Names of the tests that failed in the last run of PRESET (stale after a run without failures).
failed_tests() { sed 's/^[0-9]*://' "build/$1/Testing/Temporary/LastTestsFailed.log" 2>/dev/null; }

# Runs one CTest preset and adds its counts to the totals.
suite() {
  local preset=$1 start=$SECONDS
  echo "=== ${preset}"
  if ! cmake --preset "$preset" >/dev/null || ! cmake --build --preset "$preset" -j"$(nproc)" >/dev/null; then
    echo "build of ${preset} failed"; cmake --build --preset "$preset" 2>&1 | tail -40
    failed=$((failed + 1)); status=1; return
  fi
  ctest --preset "$preset" -j"$(nproc)" 2>&1 | tee "$log" | grep -v -E '^ +[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed'
  local result fails total skips
  result=$(counts)
  if [ -z "$result" ]; then failed=$((failed + 1)); status=1; return; fi
  read -r fails total <<<"$result"
  skips=$(grep -c -E '^[[:space:]]+[0-9]+ - .* \(Skipped\)$' "$log")
  if ((fails > 0)); then
    # The failed tests that may run again, and the others, which stand.
    local name again=() still=()
    mapfile -t rerunnable < <(ctest --preset "$preset" -N -L "$rerun_labels" | sed -n 's/^ *Test *#[0-9]*: //p')
    fails=0
    while IFS= read -r name; do
      if printf '%s\n' "${rerunnable[@]}" | grep -qxF "$name"; then again+=("$name"); else fails=$((fails + 1)); fi
    done < <(failed_tests "$preset")
    if ((${#again[@]})); then
      echo "--- ${preset}: running the failed end-to-end tests once more"
      local pattern
      pattern=$(printf '%s\n' "${again[@]}" | sed 's/[][\.*^$+?(){}|]/\\&/g' | paste -sd'|')
      ctest --preset "$preset" -R "^(${pattern})\$" -j"$(nproc)" >"$log" 2>&1 || mapfile -t still < <(failed_tests "$preset")
      for name in "${again[@]}"; do
        if printf '%s\n' "${still[@]}" | grep -qxF "$name"; then
          fails=$((fails + 1)); echo "FAILED twice: ${name}"
        else
          reruns+=("${preset}: ${name}")
        fi
      done
    fi
  fi
  passed=$((passed + total - fails - skips)); failed=$((failed + fails)); skipped=$((skipped + skips))
  ((fails == 0)) || status=1
  echo "--- ${preset}: built and tested in $((SECONDS - start)) s"
}

for preset in ${QD_TEST_PRESETS:-host-debug host-asan mips-release mipsel-release release fuzz}; do suite "$preset"; done
echo
if ((${#reruns[@]})); then
  echo "passed on a second run:"
  printf '  %s\n' "${reruns[@]}"
fi
echo "total: ${passed} passed, ${failed} failed, ${skipped} skipped"
exit $status
