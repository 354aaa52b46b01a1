#!/usr/bin/env bash
# The real qd_rc with the gateway's /tmp on a full file system: a small tmpfs mounted over /tmp
# in a private mount namespace (so nothing else sees it, and the machine's /tmp/nvram is never
# touched). `qd_rc wlan` runs the start-up load only, no command. The load of a sound image that
# does not fit leaves the working copy whole; a directory or nothing in its place is survived.
#   full_tmp.sh QD_RC QD_NVRAM_TOOL
set -uo pipefail
qd_rc=${1:?usage: full_tmp.sh QD_RC QD_NVRAM_TOOL}
tool=${2:?usage: full_tmp.sh QD_RC QD_NVRAM_TOOL}
if [ "$(id -u)" != 0 ] || ! unshare -m true 2>/dev/null; then
  echo "SKIP: needs root for a private mount namespace"
  exit 77
fi

exec unshare -m --propagation private bash -s "$qd_rc" "$tool" <<'INSIDE'
set -uo pipefail
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# The binaries may themselves live under /tmp (a build in a scratch checkout): keep them open
# and run them through their descriptors, which the mount below cannot hide.
exec 3<"$1" 4<"$2" || exit 1
qd_rc=/proc/self/fd/3 tool=/proc/self/fd/4
mount -t tmpfs -o size=64k qd_rc_full_tmp /tmp || { echo "SKIP: no tmpfs"; exit 77; }

# A working copy of two entries, and an image of 20 KB of entries beside it.
printf 'wifiSSIDNum=2\0wifiBssid[0]=home\0\0' >/tmp/nvram
cp /tmp/nvram /tmp/expected
for i in $(seq 1 400); do printf 'key%04d=%040d\n' "$i" "$i"; done >/tmp/text
"$tool" image /tmp/text /tmp/qd_nvram || fail "qd_nvram_tool image"
rm /tmp/text
loaded_size=$(($(stat -c %s /tmp/qd_nvram) - 40))  # the entry list behind the 40-byte header
# Fill what is left.
head -c 1048576 /dev/zero >/tmp/filler 2>/dev/null
"$qd_rc" wlan >/tmp/out 2>&1
status=$?
[ "$status" = 0 ] || fail "qd_rc wlan on a full /tmp: exit status $status"
cmp -s /tmp/nvram /tmp/expected || fail "working copy changed by a load that did not fit"

# With room again the same image loads.
rm /tmp/filler
"$qd_rc" wlan >/dev/null 2>&1 || fail "qd_rc wlan with room: exit status $?"
[ "$(stat -c %s /tmp/nvram)" = "$loaded_size" ] || fail "image not loaded with room ($(stat -c %s /tmp/nvram) bytes)"

# No working copy, a directory in its place, no image: every run ends normally.
rm -f /tmp/nvram /tmp/qd_nvram
"$qd_rc" wlan show >/dev/null 2>&1 || fail "no files: wlan show"
mkdir /tmp/nvram
"$qd_rc" show >/dev/null 2>&1 || fail "working copy a directory: show"
"$qd_rc" wlan >/dev/null 2>&1 || fail "working copy a directory: wlan"
[ -d /tmp/nvram ] || fail "the directory in the working copy's place was replaced"

if ((failures)); then exit 1; fi
echo "all checks passed"
INSIDE
