#!/usr/bin/env bash
# qd_nvram_tool from the command line: builds, dumps and checks files, and refuses bad input
# with a clear message and status. Usage: qd_nvram_tool_test.sh TOOL EXAMPLES_DIR
set -uo pipefail
tool=$1 examples=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/qd-tool.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# check WHAT EXPECTED_STATUS COMMAND...: runs it, output in $work/out, status compared.
check() {
  local what=$1 expected=$2 status=0
  shift 2
  "$@" >"$work/out" 2>&1 || status=$?
  [ "$status" = "$expected" ] || { fail "$what: status $status, not $expected"; cat "$work/out"; }
}

# Round trip: text -> image -> dump -> image gives the same bytes; so does the working copy.
for settings in "$examples"/*.settings; do
  name=$(basename "$settings")
  check "$name: image" 0 "$tool" image "$settings" "$work/image"
  check "$name: verify image" 0 "$tool" verify "$work/image"
  grep -q "^# settings image, [0-9]* entries: sound$" "$work/out" || fail "$name: verify says $(head -1 "$work/out")"
  check "$name: dump" 0 "$tool" dump "$work/image"
  cp "$work/out" "$work/dumped"
  check "$name: image again" 0 "$tool" image "$work/dumped" "$work/image2"
  cmp -s "$work/image" "$work/image2" || fail "$name: dump does not build the same image"
  check "$name: working copy" 0 "$tool" working "$settings" "$work/working"
  tail -c +41 "$work/image" | cmp -s - "$work/working" || fail "$name: working copy differs from the image's list"
done

# A value with a line break and odd bytes survives the trip through the file.
printf 'k=line1\\nline2\\x01\\\\end\n' >"$work/escaped"
"$tool" working "$work/escaped" - | od -An -c | tr -s ' ' >"$work/bytes"
[ "$(tr -d '\n' <"$work/bytes")" = " k = l i n e 1 \n l i n e 2 001 \\ e n d \0 \0" ] || fail "escapes: $(cat "$work/bytes")"

# Damage: verify fails, dump still shows the entries and says why.
"$tool" image "$examples/small.settings" "$work/damaged"
printf 'X' | dd of="$work/damaged" bs=1 seek=45 conv=notrunc status=none
check "damaged: verify" 1 "$tool" verify "$work/damaged"
grep -q "CRC mismatch" "$work/out" || fail "damaged: no CRC mismatch reported"
check "damaged: dump" 0 "$tool" dump "$work/damaged"
grep -q "^# settings image, [0-9]* entries: DAMAGED$" "$work/out" || fail "damaged: dump says $(head -1 "$work/out")"

# Bad input: a clear message naming the line, status 1; nothing written.
printf 'good=1\nno equals sign\n' >"$work/bad"
check "bad text" 1 "$tool" image "$work/bad" "$work/not-written"
grep -qF "line 2: no \"=\" between key and value" "$work/out" || fail "bad text: $(cat "$work/out")"
[ ! -e "$work/not-written" ] || fail "bad text: output written"
check "missing file" 2 "$tool" dump "$work/nonexistent"
check "usage" 2 "$tool" frobnicate

((failures == 0)) || { echo "$failures check(s) failed"; exit 1; }
echo "all checks passed"
