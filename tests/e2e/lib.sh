# Helpers of the end-to-end tests: run the real qd_rc in the simulated gateway (sim/qd-sim) and
# compare what it did. Each test script sources this file, calls `simulate` and the checks, and
# ends with `finish`. Environment: QD_RC and QD_NVRAM_TOOL (the build's binaries), QD_SIM.
set -euo pipefail

if [ "$(id -u)" != 0 ]; then
  echo "SKIP: the simulated gateway needs root (unshare, chroot, mount)"
  exit 77
fi
: "${QD_RC:?QD_RC: the qd_rc binary under test}"
: "${QD_NVRAM_TOOL:?QD_NVRAM_TOOL: the settings tool}"
QD_SIM=${QD_SIM:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/sim/qd-sim}

work=$(mktemp -d "${TMPDIR:-/tmp}/qd-e2e.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
roots=()
S=' >/dev/console 2>&1'  # what the command runner appends to every line

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# settings NAME: key=value text from standard input into $work/NAME.settings
settings() { cat >"$work/$1.settings"; }
# fixture FILE NAME: the settings of tests/data/settings/FILE.settings, shared by the end-to-end
# and the VM tests, as $work/NAME.settings
fixture() { cp "$(dirname "${BASH_SOURCE[0]}")/../data/settings/$1.settings" "$work/$2.settings"; }

# test_lists: the program's own lists, from the file that the build writes (QD_TEST_LISTS):
# `keys`, every settings key that qd_rc reads as stored for SSIDs 0 to 2, and `actions`, every
# action word of `qd_rc wlan`.
test_lists() {
  [ -r "${QD_TEST_LISTS:-}" ] || { echo "QD_TEST_LISTS: the lists file of the build is missing" >&2; exit 1; }
  . "$QD_TEST_LISTS"
}

# hostile_settings NAME VALUE [BASES...]: $work/NAME.settings with VALUE (settings-text escapes)
# in every key of `keys` (of these base names, or all) but the keys that steer which lines run,
# which keep their ordinary values from $steering (key=value lines), so that every branch is taken.
hostile_settings() {
  local name=$1 value=$2 key base
  shift 2
  {
    for key in "${keys[@]}"; do
      base=${key%%[*}
      grep -q "^$base\(\[\|=\)" <<<"$steering" && continue
      (($#)) && [[ " $* " != *" $base "* ]] && continue
      printf '%s=%s\n' "$key" "$value"
    done
    printf '%s\n' "$steering"
  } >"$work/$name.settings"
}

# simulate NAME [qd-sim options] -- COMMAND...: runs them; the kept gateway root is $work/NAME,
# and R points to it.
simulate() {
  local name=$1
  shift
  R=$work/$name
  roots+=("$R")
  st=$R/sim/steps  # st/N/: command, status, stdout, stderr, console, shell, nvram of step N
  "$QD_SIM" --qd-rc "$QD_RC" --tool "$QD_NVRAM_TOOL" --keep "$R" --quiet "$@" || fail "qd-sim for $name failed"
}

# lines N: sets $shell_lines to the shell lines of step N, one a line, a line break inside
# shown as \n. (A variable, not output: every process costs time on a small machine.)
lines() {
  local line
  shell_lines=""
  while IFS= read -r -d '' line; do shell_lines+="${line//$'\n'/\\n}"$'\n'; done <"$st/$1/shell"
  shell_lines=${shell_lines%$'\n'}
}

# expect_text WHAT EXPECTED ACTUAL: equal texts, or the difference is shown.
expect_text() {
  if [ "$2" != "$3" ]; then
    fail "$1"
    diff -u <(printf '%s\n' "$2") <(printf '%s\n' "$3") | sed -n '3,$p' | head -40 || true
  fi
}

# expect_lines WHAT N: the shell lines of step N equal standard input.
expect_lines() {
  lines "$2"
  expect_text "$1: shell lines of step $2" "$(</dev/stdin)" "$shell_lines"
}

# expect_file WHAT FILE: FILE's contents equal standard input.
expect_file() {
  local actual="(no $2)"
  [ ! -f "$2" ] || actual=$(<"$2")
  expect_text "$1" "$(</dev/stdin)" "$actual"
}

# expect_has WHAT FILE TEXT / expect_lacks WHAT FILE TEXT: a line of FILE holds TEXT, or none does.
expect_has() { grep -qF -- "$3" "$2" 2>/dev/null || fail "$1: '$3' not in ${2#"$work"/}"; }
expect_lacks() { ! grep -qF -- "$3" "$2" 2>/dev/null || fail "$1: '$3' in ${2#"$work"/}"; }

expect_status() { expect_text "$1: exit status of step $2" "$3" "$(<"$st/$2/status")"; }

# link NAME: "admin MAC master" of a link after the last command, or "absent".
link() { awk -v name="$1" '$1 == name { print $2, $3, $4; found = 1 } END { if (!found) print "absent" }' "$R/sim/after/links"; }

# setting FILE KEY: the value of KEY in an entry list (working copy), or "(absent)".
setting() {
  "$QD_NVRAM_TOOL" dump "$1" | awk -v key="$2" 'index($0, key "=") == 1 { print substr($0, length(key) + 2); found = 1 }
    END { if (!found) print "(absent)" }'
}

# show_lines, as the simulator's report numbers the shell lines.
. "$(dirname "${BASH_SOURCE[0]}")/../../sim/launcher.sh"

# simulated_report SETTINGS: what the last `simulate` recorded, in the layout of the report of
# `qd_nvram_tool preview` for the same settings text and commands, console left out (in the
# simulator it also holds what the commands print).
simulated_report() {
  local step d previous=$work/nvram.0
  "$QD_NVRAM_TOOL" working "$1" "$previous"
  for ((step = 1; ; step++)); do
    d=$st/$step
    [ -f "$d/command" ] || break
    printf '\n== %d. qd_rc %s   (exit status %s)\n' "$step" "$(<"$d/command")" "$(<"$d/status")"
    printf '\n-- standard output\n'; report_file "$d/stdout" empty
    printf '\n-- standard error\n'; report_file "$d/stderr" empty
    printf '\n-- shell lines\n'; show_lines "$d/shell"
    printf '\n-- settings working copy changes\n'; report_changes "$previous" "$d/nvram"
    previous=$d/nvram
  done
  printf '\n== the gateway after the last command\n'
  printf '\n-- driver profile /etc/Wireless/RT2860/RT2860.dat\n'
  if [ -f "$R/etc/Wireless/RT2860/RT2860.dat" ]; then report_file "$R/etc/Wireless/RT2860/RT2860.dat" empty; else
    echo "   (not written)"
  fi
}
report_file() {
  local line
  [ -s "$1" ] || { echo "   ($2)"; return; }
  while IFS= read -r line || [ -n "$line" ]; do printf '   %s\n' "$line"; done <"$1"
}
# The entries that went, in their old order, then those that came, in their new order.
report_changes() {
  "$QD_NVRAM_TOOL" dump "$1" | grep -v '^#' >"$work/before" || true
  "$QD_NVRAM_TOOL" dump "$2" | grep -v '^#' >"$work/after" || true
  awk 'FILENAME == ARGV[1] { before[++old] = $0; was[$0] = 1; next }
       { after[++new] = $0; is[$0] = 1 }
       END { for (i = 1; i <= old; i++) if (!(before[i] in is)) { print "   - " before[i]; n++ }
             for (i = 1; i <= new; i++) if (!(after[i] in was)) { print "   + " after[i]; n++ }
             if (!n) print "   (none)" }' "$work/before" "$work/after"
}

# same_as_preview NAME SETTINGS COMMAND...: simulates the commands on the settings as NAME and
# holds the preview's report of the same to what the simulator recorded.
same_as_preview() {
  local name=$1 settings=$2
  shift 2
  simulate "$name" --settings "$settings" -- "$@"
  "$QD_NVRAM_TOOL" preview "$settings" "$@" >"$work/preview" || fail "$name: preview failed"
  simulated_report "$settings" >"$work/simulated"
  previewed "$work/preview" >"$work/previewed"
  if ! cmp -s "$work/simulated" "$work/previewed"; then
    fail "$name ($*): the preview differs from the simulated gateway"
    diff -u "$work/simulated" "$work/previewed" | head -40
  fi
}

# previewed REPORT: a preview's report without its first line and its console sections.
previewed() {
  awk 'NR == 1 { next } /^-- (console|hazards)/ { skip = 1; next } /^(-- |== )/ { skip = 0 } skip && !length($0) { next } !skip' "$1"
}

finish() {
  # A sanitizer build reports its findings on standard error, or on the console for a child.
  local root
  for root in "${roots[@]}"; do
    if grep -rlE "ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:" "$root/sim/steps" >"$work/reports"; then
      fail "sanitizer reports in: $(tr '\n' ' ' <"$work/reports")"
    fi
  done
  # The simulation leaves no mount behind (links and processes end with its namespaces).
  if grep -qF "$work/" /proc/mounts; then fail "mounts left under $work"; fi
  if ((failures)); then
    echo "$failures check(s) failed"
    exit 1
  fi
  echo "all checks passed"
}
