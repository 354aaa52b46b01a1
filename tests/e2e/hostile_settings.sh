#!/usr/bin/env bash
# Hostile settings in the simulated gateway: every key that qd_rc reads, filled with shell
# syntax, line breaks, 100 KB texts and non-ASCII bytes, through start, stop and every action.
# The canary command never runs, every run ends with status 0 and no sanitizer report, the
# profile keeps exactly its keys in their order, and the store stays well formed.
#   hostile_settings.sh [shell|long]
. "$(dirname "$0")/lib.sh"

# The keys that qd_rc reads and its action words: the lists that the build takes from the program.
test_lists
# The keys that steer which lines run keep ordinary values, so that every branch is taken.
steering='wifiSSIDNum=2
wifiRadioOnOff=1
wifiIFOn[0]=1
wifiIFOn[1]=1
wifiWpsEnable=1
wifiWpsState=1
wifiWpsMode=1
wifiAuth=5
wifiAuth[0]=7
wifiAuth[1]=5
wifiEnc[0]=3
wifiEnc[1]=3
wifiHwmode=9
lanConnIp4[2]=192.168.0.1
lanConnMask4[2]=255.255.255.0'
commands=(show)
for action in "${actions[@]}"; do commands+=("wlan $action"); done
# Values in the settings-text escapes: \n line feed, \r carriage return, \xHH any byte.
shell_values=(
  'x;touch /tmp/canary'
  '12345670;touch /tmp/canary'
  '192.168.0.1;touch /tmp/canary'
  '00:11:22:33:44:55;touch /tmp/canary'
  '$(touch /tmp/canary)'
  '`touch /tmp/canary`'
  'a|touch /tmp/canary&'
  "'; touch /tmp/canary; '"
  '"; touch /tmp/canary; "'
  '>/tmp/canary </etc/passwd 2>&1'
  'ok\ntouch /tmp/canary\nAuthMode=OPEN'
  'ok\r\nWPAPSK=owned'
  '\xff\xfe\x80\xc3\xa9\x01\x1b[31m'
)

# Keys of a profile after its two header lines; a line that is no key=value line shows as such.
profile_keys() {
  awk 'NR > 2 { if (match($0, /^[A-Za-z0-9_]+=/)) print substr($0, 1, RLENGTH - 1); else print "BAD LINE: " $0 }' "$1"
}

# run_case NAME: every action over the settings NAME, then the checks.
run_case() {
  local name=$1 step
  simulate "$name" --settings "$work/$name.settings" -- "${commands[@]}"
  [ ! -e "$R/tmp/canary" ] || fail "$name: the canary ran"
  for ((step = 1; step <= ${#commands[@]}; step++)); do
    expect_status "$name: ${commands[step - 1]}" "$step" 0
  done
  "$QD_NVRAM_TOOL" verify "$R/tmp/nvram" >/dev/null || fail "$name: working copy damaged"
  expect_text "$name: profile keys" "$baseline_keys" "$(profile_keys "$R/etc/Wireless/RT2860/RT2860.dat")"
}

printf '%s\n' "$steering" >"$work/baseline.settings"
simulate baseline --settings "$work/baseline.settings" -- 'wlan start'
baseline_keys=$(profile_keys "$R/etc/Wireless/RT2860/RT2860.dat")
[ -n "$baseline_keys" ] || fail "baseline: no profile"

case ${1:-shell} in
shell)
  i=0
  for value in "${shell_values[@]}"; do
    i=$((i + 1))
    hostile_settings "hostile$i" "$value"
    run_case "hostile$i"
  done
  ;;
long)
  # 100 KB values in the keys whose text reaches a command line, the profile or a record.
  long=$(head -c 102400 /dev/zero | tr '\0' 'A')
  hostile_settings long "$long" wifiBssid wifiWpapsk wifiWpsDevPIN wifiWpsStaPIN wifiMacAddr modelName \
    wifiWpsDevName wifiMacList wifiMacList2 wifiMacList3 wifiWpaSecret
  run_case long
  semi=$(head -c 51200 /dev/zero | tr '\0' ';')
  hostile_settings longhostile "$semi\$(touch /tmp/canary)$semi" wifiBssid wifiWpapsk wifiWpsDevPIN wifiWpsStaPIN modelName
  run_case longhostile
  ;;
esac
finish
