#!/usr/bin/env bash
# qd_nvram_tool from the command line: builds, dumps and verifies files, checks settings, and
# refuses bad input with a clear message and status.
# Usage: qd_nvram_tool_test.sh TOOL EXAMPLES_DIR TEST_DATA_DIR
set -uo pipefail
tool=$1 examples=$2 data=$3
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
check "damaged: dump" 1 "$tool" dump "$work/damaged"
grep -q "^# settings image, [0-9]* entries: DAMAGED$" "$work/out" || fail "damaged: dump says $(head -1 "$work/out")"

# Bad input: a clear message naming the line, status 1; nothing written.
printf 'good=1\nno equals sign\n' >"$work/bad"
check "bad text" 1 "$tool" image "$work/bad" "$work/not-written"
grep -qF "line 2: no \"=\" between key and value" "$work/out" || fail "bad text: $(cat "$work/out")"
[ ! -e "$work/not-written" ] || fail "bad text: output written"
check "missing file" 2 "$tool" dump "$work/nonexistent"
check "usage" 2 "$tool" frobnicate

# Neither store format: plain text and an image whose magic is broken are no sound working copy.
printf 'wifiSSIDNum=1\n' >"$work/text"
check "text: verify" 1 "$tool" verify "$work/text"
"$tool" image "$examples/small.settings" "$work/badmagic"
printf 'X' | dd of="$work/badmagic" bs=1 seek=0 conv=notrunc status=none
check "broken magic: verify" 1 "$tool" verify "$work/badmagic"
grep -q "magic is not" "$work/out" || fail "broken magic: $(cat "$work/out")"

# check: every rule on settings built for it (the findings in order, tests/data/check_findings.out),
# the empty profile of a refused mode, damaged and foreign files, and the two examples.
{
  echo 'wifiSSIDNum=9'
  echo 'wifiRadioOnOff=1'
  echo 'wifiBssid=Bare'
  echo 'wifiBssid[0]=Home;Net'
  echo 'wifiBssid[1]=ThisNetworkNameIsLongerThan32Bytes'
  echo 'wifiAuth[2]=5'
  echo 'wifiWpapsk[2]=line\nWPAPSK=injected'
  echo 'wifiAuth[3]=4'
  echo 'wifiWpapsk[3]=short'
  echo 'wifiEnc[4]=1'
  echo 'wifiWep64Key1[4]=abcdef'
  echo 'wifiWepLen2[4]=128'
  echo 'wifiWep128Key2[4]=0123456789abcdef0123456789'
  echo 'wifiIFOn[16]=1'
  echo 'wifiHwmode[0]=9'
  echo 'wifiApIsolation[1]=1'
  for ((i = 0; i < 32; i++)); do printf 'wifiMacList5[%d]=00:0c:43:00:%02x:01;00:0c:43:00:%02x:02;00:0c:43:00:%02x:03\n' $i $i $i $i; done
  echo 'wifiMacList[40]=00:0c:43:00:00:40'
  for ((i = 0; i < 9; i++)); do printf 'wifiWpaSecret[%d]=%0100d\n' $i 0; done
  echo 'lanConnIp4[2]=192.168.1'
  echo 'lanConnMask4[2]=255.255.255.0x'
  echo 'wifiAuth=2'
  echo 'modelName=HN530\nWscConfMode=7'
} >"$work/findings.settings"
check "check: findings" 1 "$tool" check "$work/findings.settings"
expect=$data/check_findings.out
diff -u "$expect" "$work/out" >"$work/diff" || { fail "check: findings differ from ${expect##*/}"; cat "$work/diff"; }
check "check: findings in an image" 1 "$tool" check <("$tool" image "$work/findings.settings" -)
check "check: profile limit" 0 "$tool" check --profile-limit 100000 "$examples/small.settings"
printf 'wifiSSIDNum=2\nwifiHwmode=13\nwifiBssid[0]=a;b\n' >"$work/mode.settings"
check "check: refused mode" 1 "$tool" check "$work/mode.settings"
[ "$(cat "$work/out")" = "wifiHwmode: \"13\": qd_rc leaves the driver profile empty, and the driver starts without settings; store a mode below 13 (9: 802.11b/g/n)" ] ||
  fail "check: refused mode: $(cat "$work/out")"
check "check: damaged image" 1 "$tool" check "$work/damaged"
# A damaged image gives one finding, none from its contents; anything but settings is status 2.
[ "$(grep -c "^$work/damaged: damaged settings image (" "$work/out")" = 1 ] && [ "$(wc -l <"$work/out")" = 1 ] ||
  fail "check: damaged: $(cat "$work/out")"
check "check: broken magic" 1 "$tool" check "$work/badmagic"
grep -q "^$work/badmagic: a settings image whose magic is \"XON\\\\x00\"" "$work/out" || fail "check: magic: $(cat "$work/out")"
printf 'this is no settings file\n' >"$work/prose"
check "check: prose" 2 "$tool" check "$work/prose"
grep -q "not a settings file: neither a settings image, a working copy nor key=value text" "$work/out" ||
  fail "check: prose: $(cat "$work/out")"
check "check: a program" 2 "$tool" check "$tool"
: >"$work/empty"
check "check: empty file" 1 "$tool" check "$work/empty"
grep -q "^wifiSSIDNum: absent: the start sets up no SSID" "$work/out" || fail "check: empty: $(cat "$work/out")"
check "check: missing file" 2 "$tool" check "$work/nonexistent"
check "check: small example" 0 "$tool" check "$examples/small.settings"
check "check: home example" 1 "$tool" check "$examples/home_gateway.settings"
[ "$(cat "$work/out")" = "wifiApIsolation[1]: not read: qd_rc reads wifiApIsolation[0] alone, which holds for every SSID; store the value there, for all SSIDs" ] ||
  fail "check: home example: $(cat "$work/out")"

# preview: --json holds what the explained report shows (each command's shell lines and the
# profile's lines, each with the settings it was made from); exit statuses 0, 1 and 2.
commands=('wlan start' 'wlan clientPBC' 'wlan stop')
check "preview --explain" 0 "$tool" preview --explain "$examples/home_gateway.settings" "${commands[@]}"
awk '/^== [0-9]+\./ { sub(/   \(exit status.*/, ""); print; next } /^(-- |== )/ { on = /^-- (shell lines|driver profile)/; next }
     on && length($0)' "$work/out" >"$work/explained"
check "preview --json" 0 "$tool" preview --json "$examples/home_gateway.settings" "${commands[@]}"
if command -v jq >/dev/null; then
  jq -r 'def from: if length == 0 then "        from no setting" else .[] | "        from " + .key +
           (if .source == "absent" then " (absent: default)" else "=" + .value + " (" + .source + ")" end) end;
         (.commands | to_entries[] | "== \(.key + 1). qd_rc \(.value.command)",
           (.value.shell_lines[] | (("   " + (.number | tostring))[-4:] + "  " + .line), (.keys | from))),
         (.profile.lines[] | "   " + .line, (.keys | from))' "$work/out" >"$work/from_json" ||
    fail "preview --json: no JSON"
  diff -u "$work/explained" "$work/from_json" >"$work/diff" || { fail "preview: JSON and text differ"; head -20 "$work/diff"; }
  [ "$(jq '.exit_status' "$work/out")" = 0 ] || fail "preview --json: exit_status"
else
  fail "jq is missing (scripts/deps.sh installs it)"
fi
check "preview --rootfs of nothing" 1 "$tool" preview --rootfs "$work/no-root" "$examples/small.settings"
grep -q "^   missing *\/bin\/sh (the shell of every line)" "$work/out" || fail "preview --rootfs: $(head -5 "$work/out")"
check "preview of no settings" 2 "$tool" preview "$work/prose"

((failures == 0)) || { echo "$failures check(s) failed"; exit 1; }
echo "all checks passed"
