#!/usr/bin/env bash
# `qd_nvram_tool preview --rootfs` on the simulated gateway's own root: after start, every
# action word and stop have run there, the preview of the same commands finds every file they
# use (status 0); with a program, a module or a link taken away or broken in turn, it reports
# that file with the numbers of the shell lines that need it (status 1).
. "$(dirname "$0")/lib.sh"

[ -r "${QD_TEST_LISTS:-}" ] || { echo "QD_TEST_LISTS: the lists file of the build is missing" >&2; exit 1; }
. "$QD_TEST_LISTS"  # actions
example=$(cd "$(dirname "$0")/../../examples" && pwd)/home_gateway.settings
commands=('wlan start')
for action in "${actions[@]}"; do commands+=("wlan $action"); done
commands+=('wlan stop')
simulate gateway --settings "$example" -- "${commands[@]}"

# preview_root EXPECTED_STATUS: the preview of the commands with --rootfs $R, report in $work/files.
preview_root() {
  local status=0
  "$QD_NVRAM_TOOL" preview --rootfs "$R" "$example" "${commands[@]}" >"$work/report" || status=$?
  sed -n '/^-- files the commands use/,$p' "$work/report" >"$work/files"
  [ "$status" = "$1" ] || fail "preview --rootfs: status $status, not $1 ($2)"
}
preview_root 0 "the complete root"
! grep -E '^   (missing|not executable|link )' "$work/files" || fail "the complete root: a file reported"
[ "$(grep -c '^   present ' "$work/files")" -ge 12 ] || fail "the complete root: too few files: $(cat "$work/files")"

# The numbers N of the lines of command 1 that start with PROGRAM, as "1:N" words.
lines_of() {
  awk -v program="$1" '/^== 2\./ { exit } /^== 1\./ { on = 1 } on && /^ +[0-9]+  / && $2 == program { printf " 1:%s", $1 }' "$work/report"
}
# broken WHAT PATH STATUS: PATH is reported with STATUS, needed by its lines (from command 1).
broken() {
  local what=$1 path=$2 status=$3 expected
  preview_root 1 "$what"
  grep -q "^   $status *$path " "$work/files" || fail "$what: $path not reported as $status: $(grep -F "$path" "$work/files")"
  expected=$(lines_of "$path")
  if [ -n "$expected" ]; then
    grep -A1 "^   $status *$path " "$work/files" | grep -qF "needed by$expected" ||
      fail "$what: not needed by$expected: $(grep -A1 -F "$path" "$work/files")"
  fi
}
mv "$R/sbin/vconfig" "$work/vconfig"
broken "a program taken away" /sbin/vconfig missing
mv "$work/vconfig" "$R/sbin/vconfig"
mv "$R/lib/modules/qd_vrif.ko" "$work/module"
broken "a module taken away" /lib/modules/qd_vrif.ko missing
grep -A1 "^   missing *\/lib\/modules\/qd_vrif.ko" "$work/files" | grep -q "needed by 1:$(lines_of /sbin/insmod | sed 's/.*1://')" ||
  fail "the module: not needed by the insmod line"
mv "$work/module" "$R/lib/modules/qd_vrif.ko"
chmod a-x "$R/sbin/insmod"
broken "a program not executable" /sbin/insmod "not executable"
chmod a+x "$R/sbin/insmod"
# An absolute link target is taken from the root: a link to a file the build machine has
# (/bin/busybox) but the root does not ends nowhere.
ln -sf /bin/no-such-busybox "$R/sbin/route"
broken "a link to nothing" /sbin/route "link to nothing"
ln -sf ../../../../../../bin/busybox "$R/sbin/route"
broken "a link out of the root" /sbin/route "link outside the root"
ln -sf /bin/busybox "$R/sbin/route"
preview_root 0 "the root mended"
finish
