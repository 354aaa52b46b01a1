#!/usr/bin/env bash
# Builds qd_rc and runs every test suite: host, sanitizers, end to end, MIPS under emulation.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh || exit 1

passed=0 failed=0 skipped=0 status=0
# Runs one CTest preset and adds its counts to the totals.
suite() {
  local preset=$1 start=$SECONDS
  echo "=== ${preset}"
  if ! cmake --preset "$preset" >/dev/null || ! cmake --build --preset "$preset" -j"$(nproc)" >/dev/null; then
    echo "build of ${preset} failed"; cmake --build --preset "$preset" 2>&1 | tail -40; failed=$((failed + 1)); status=1; return
  fi
  local log
  log=$(mktemp)
  # A test that fails is run once more: the end-to-end tests start real processes and links
  # and can miss a deadline on a loaded machine; a real fault fails twice.
  ctest --preset "$preset" -j"$(nproc)" --repeat until-pass:2 2>&1 | tee "$log" | grep -v -E '^ +[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed'
  local total fails
  total=$(sed -n 's/.* tests passed, \([0-9]*\) tests failed out of \([0-9]*\)/\2/p' "$log" | tail -1)
  fails=$(sed -n 's/.* tests passed, \([0-9]*\) tests failed out of \([0-9]*\)/\1/p' "$log" | tail -1)
  local skips
  skips=$(grep -c -E '^[[:space:]]+[0-9]+ - .* \(Skipped\)$' "$log")
  if [ -z "$total" ]; then failed=$((failed + 1)); status=1
  else
    passed=$((passed + total - fails - skips)); failed=$((failed + fails)); skipped=$((skipped + skips))
    [ "$fails" = 0 ] || status=1
  fi
  rm -f "$log"
  echo "--- ${preset}: built and tested in $((SECONDS - start)) s"
}

for preset in ${QD_TEST_PRESETS:-host-debug host-asan mips-release mipsel-release release fuzz}; do suite "$preset"; done
echo
echo "total: ${passed} passed, ${failed} failed, ${skipped} skipped"
exit $status
