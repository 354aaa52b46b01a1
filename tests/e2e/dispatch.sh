#!/usr/bin/env bash
# The command line: usage, exit statuses, show, and words that are no command.
. "$(dirname "$0")/lib.sh"

settings plain <<'SET'
wifiSSIDNum=1
SET
simulate dispatch --settings "$work/plain.settings" -- \
  '' 'wlan' 'WLAN start' 'nosuch start' 'wlan START' 'show' 'show all' 'show wlan' 'show xyz' 'wlan show' \
  'wlan nosuchaction' 'wlan init_wps'

usage=$(printf '%s\n' 'usage: qd_rc <function> <action>' '' $'\t<action>: start stop and special action' \
  $'\t\tfor example: "qd_rc wlan restart"' '' 'support function : ' $'\twlan')
expect_text "usage" "$usage" "$(<"$st/1/stdout")"
# The show text is the program's own list (its unit test holds wlan_shower to it): every way of
# asking for it prints what `qd_rc wlan show` prints.
show=$(<"$st/10/stdout")
[ -n "$show" ] || fail "qd_rc wlan show: no show text"

#      step  status  standard output
cases=(
  "1     1       usage"
  "2     0       -"
  "3     1       -"
  "4     1       -"
  "5     0       -"
  "6     0       show"
  "7     0       show"
  "8     0       show"
  "9     0       -"
  "10    0       show"
  "11    0       -"
  "12    0       -"
)
for entry in "${cases[@]}"; do
  read -r number status output <<<"$entry"
  what="qd_rc $(<"$st/$number/command")"
  expect_status "$what" "$number" "$status"
  case "$output" in
  usage) ;;
  show) expect_text "$what: output" "$show" "$(<"$st/$number/stdout")" ;;
  -) expect_text "$what: output" "" "$(<"$st/$number/stdout")" ;;
  esac
  expect_text "$what: standard error" "" "$(<"$st/$number/stderr")"
  # None of these starts anything: no command line, no console output.
  lines "$number"
  expect_text "$what: shell lines" "" "$shell_lines"
done
finish
