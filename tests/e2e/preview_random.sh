#!/usr/bin/env bash
# The preview and the check against the simulated gateway on random settings stores: for each
# store (seeded, so a failure repeats) and a `wlan start` followed by two action words (every
# action word in turn), the preview's report equals what the simulator records of the real
# binary; and wherever the simulated start leaves an empty profile, sets up no SSID or shifts a
# profile list, `qd_nvram_tool check` reports it on the key that causes it.
#   preview_random.sh [STORES [SEED]]
. "$(dirname "$0")/lib.sh"

[ -r "${QD_TEST_LISTS:-}" ] || { echo "QD_TEST_LISTS: the lists file of the build is missing" >&2; exit 1; }
. "$QD_TEST_LISTS"  # keys (SSIDs 0 to 2), actions
stores=${1:-36}
RANDOM=${2:-2024}

# pick VALUE...: one of them at random, in $value (no subshell, which would repeat RANDOM).
pick() {
  local values=("$@")
  value=${values[RANDOM % $#]}
}

# value_for KEY: the value the key gets in a random store, by what it steers; "-" leaves it out.
value_for() {
  case "${1%%[*}" in
  wifiSSIDNum) pick - '' 0 1 2 2 3 3 3 four -3 4x 9 ;;
  wifiHwmode) pick - 9 9 6 0 4 13 x ;;
  wifiAuth) pick - 0 1 2 3 4 5 5 6 7 '' ;;
  wifiEnc) pick - 0 1 2 3 3 4 ;;
  wifiRadioOnOff | wifiIFOn | wifiWpsEnable | wifiBssidBroadcast | wifiApIsolation | wifiWmm) pick - 1 1 1 0 '' ;;
  wifiWpsState | wifiWpsMode) pick - 0 1 2 ;;
  wifiBssid) pick - Home Guest 'Office Net' 'a;b' 'x\ny' '' LongLongLongLongLongLongLongLongLong ;;
  wifiWpapsk | wifiWpaSecret) pick - 'correct horse' short 'pass;word' 12345678 'line\nbreak' ;;
  wifiWep64Key* | wifiWep128Key*) pick - abcde 0a1b2c3d4e 'ab;cd' 1234567890123 ;;
  wifiWepLen*) pick - 64 128 ;;
  wifiWpaSrv) pick - 192.168.0.10 '' ;;
  lanConnIp4) pick - 192.168.0.1 192.168.010.1 192.168.1 x ;;
  lanConnMask4) pick - 255.255.255.0 255.255.0.0 0xffffff00 ;;
  wifiMacAddr) pick - 00:0C:43:30:52:80 00:0C:43:28:60:A0 zz ;;
  wifiWpsDevPIN | wifiWpsStaPIN | wsc_device_pin) pick - 12345670 1234 '12345670\nx' ;;
  wifiMacList*) pick - 00:11:22:33:44:55 '00:11:22:33:44:55;AA:BB:CC:DD:EE:FF' ;;
  modelName | wifiWpsMFG | wifiWpsDevName) pick - HN530 ACME 'two\nlines' ;;
  *) pick - 0 1 2 '' 100 ;;
  esac
}

# The profile lines that hold one item per SSID: four items in the profile of the four-SSID
# home gateway, and one in the profile without settings (tests/data), so that the list comes
# from the writer, not from here.
data=$(dirname "$0")/../data
list_lines=$(awk -F= 'FILENAME == ARGV[1] { if ($2 !~ /;/) single[$1] = 1; next }
  FNR > 2 && ($1 in single) && $2 ~ /^[^;]*;[^;]*;[^;]*;[^;]*$/ { printf "%s ", $1 }' \
  "$data/profile_empty.dat" "$data/profile_home_gateway.dat")
profile=etc/Wireless/RT2860/RT2860.dat
declare -A ran=()
next_action=0 empty=0 none=0 shifted=0
for ((store = 1; store <= stores; store++)); do
  name=store$store
  for key in "${keys[@]}"; do
    value_for "$key"
    [ "$value" = - ] || printf '%s=%s\n' "$key" "$value"
  done >"$work/$name.settings"
  # Two action words in turn; those that write the profile first, so that it is the store's.
  commands=('wlan start')
  later=()
  for _ in 1 2; do
    action=${actions[next_action++ % ${#actions[@]}]}
    ran[$action]=1
    case $action in start | restart) commands+=("wlan $action") ;; *) later+=("wlan $action") ;; esac
  done
  commands+=("${later[@]}")
  same_as_preview "$name" "$work/$name.settings" "${commands[@]}"

  # What the simulated start did that the check must have reported, and on which key.
  "$QD_NVRAM_TOOL" check "$work/$name.settings" >"$work/check" 2>&1 || true
  expect_finding() { grep -q "^$1" "$work/check" || fail "$name: $2, and no finding '$1...': $(cat "$work/check")"; }
  if [ -f "$R/$profile" ] && [ ! -s "$R/$profile" ]; then
    empty=$((empty + 1))
    expect_finding "wifiHwmode: " "empty profile"
  fi
  if tr '\0' '\n' <"$st/1/shell" | grep -q "^/sbin/vconfig add eth2 100 "; then
    none=$((none + 1))
    expect_finding "wifiSSIDNum: " "no SSID (eth2.100 in br0)"
  fi
  if [ -s "$R/$profile" ] && awk -F= -v lists="$list_lines" '
      BEGIN { split(lists, names, " "); for (i in names) is_list[names[i]] = 1 }
      $1 == "BssidNum" { ssids = $2 + 0 }
      ($1 in is_list) && ssids > 0 && split(substr($0, length($1) + 2), items, ";") != ssids { print; found = 1 }
      END { exit !found }' "$R/$profile" >"$work/shifted"; then
    shifted=$((shifted + 1))
    grep -q 'holds ";"' "$work/check" ||
      fail "$name: a shifted list ($(cat "$work/shifted")), and no finding 'holds \";\"': $(cat "$work/check")"
  fi
done
for action in "${actions[@]}"; do [ -n "${ran[$action]:-}" ] || fail "action $action never ran"; done
echo "$stores stores, ${#ran[@]} action words; the simulated start left an empty profile $empty times, no SSID $none times, a shifted list $shifted times"
finish
