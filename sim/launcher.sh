# What the two launchers of the gateway (qd-sim on this kernel, vm/qd-vm on a MIPS kernel)
# share: the settings store and ra0's EEPROM laid down in a gateway root, the console split by
# command, and the report of a run. Sourced; the callers define die().

# lay_store ROOT TOOL SETTINGS WORKING IMAGE MAC: ROOT/tmp/qd_nvram and ROOT/tmp/nvram from the
# settings text as the options --settings, --working and --image ask (docs/simulator.md), and
# ROOT/sim/driver/ra0.e2p holding MAC.
lay_store() {
  local root=$1 tool=$2 settings=$3 working=$4 image=$5 mac=$6 byte working_text mac_bytes
  mkdir -p "$root/tmp" "$root/sim/driver"
  # ra0's EEPROM: the MAC in words 4, 6 and 8, lower-numbered byte in the low half.
  IFS=: read -r -a mac_bytes <<<"$mac"
  printf '0x0004=0x%s%s\n0x0006=0x%s%s\n0x0008=0x%s%s\n' "${mac_bytes[1]^^}" "${mac_bytes[0]^^}" \
    "${mac_bytes[3]^^}" "${mac_bytes[2]^^}" "${mac_bytes[5]^^}" "${mac_bytes[4]^^}" >"$root/sim/driver/ra0.e2p"
  if [ -n "$settings" ] && [ "$image" != absent ]; then
    "$tool" image "$settings" "$root/tmp/qd_nvram" || die "$settings: not usable as settings"
    if [ "$image" = damaged ]; then
      byte=$(od -An -tu1 -j40 -N1 "$root/tmp/qd_nvram" | tr -d ' ')
      printf "\\$(printf '%03o' $((byte ^ 1)))" | dd of="$root/tmp/qd_nvram" bs=1 seek=40 conv=notrunc status=none
    fi
  fi
  working_text=$settings
  [ "$working" = same ] || working_text=$working
  if [ -n "$working_text" ] && [ "$working_text" != none ]; then
    "$tool" working "$working_text" "$root/tmp/nvram" || die "$working_text: not usable as settings"
    chmod 600 "$root/tmp/nvram"
  fi
}

# split_console SIM: SIM/console.log, with a marker line after each command, into
# SIM/steps/N/console and the whole console without markers, SIM/console.txt.
split_console() {
  awk -v dir="$1/steps" '
    /^\001qd-sim step [0-9]+\001$/ { step++; next }
    { print > (dir "/" (step + 1) "/console"); print > (dir "/../console.txt") }
  ' "$1/console.log"
  : >>"$1/console.txt"
}

# report ROOT TOOL GPIO: what each command did and the gateway after the last one, from the
# records under ROOT/sim.
report() {
  local root=$1 tool=$2 gpio=$3 sim=$1/sim step dir
  section() { printf '\n-- %s\n' "$1"; }
  indent() { sed 's/^/   /'; }
  show_file() { if [ -s "$1" ]; then indent <"$1"; else echo "   (${2:-empty})"; fi; }
  # Shell lines, numbered; a line break inside a command line continues under it, marked "|".
  show_lines() {
    local number=0 line
    while IFS= read -r -d '' line; do
      number=$((number + 1))
      printf '%4d  %s\n' "$number" "${line//$'\n'/$'\n'      | }"
    done <"$1"
    ((number)) || echo "   (none)"
  }
  for ((step = 1; ; step++)); do
    dir=$sim/steps/$step
    [ -f "$dir/command" ] || break
    printf '\n== %d. qd_rc %s   (exit status %s)\n' "$step" "$(cat "$dir/command")" "$(cat "$dir/status")"
    section "standard output"; show_file "$dir/stdout"
    section "standard error"; show_file "$dir/stderr"
    section "console"; show_file "$dir/console"
    section "shell lines"; show_lines "$dir/shell"
  done
  printf '\n== the gateway after the last command\n'
  section "driver profile /etc/Wireless/RT2860/RT2860.dat"
  # The writer opens the profile before it reads the mode: a refused mode leaves it empty.
  if [ -f "$root/etc/Wireless/RT2860/RT2860.dat" ]; then
    show_file "$root/etc/Wireless/RT2860/RT2860.dat" empty
  else
    echo "   (not written)"
  fi
  section "settings working copy /tmp/nvram"
  if [ -f "$root/tmp/nvram" ]; then "$tool" dump "$root/tmp/nvram" | indent || true; else echo "   (none)"; fi
  section "bridges (brctl show)"; show_file "$sim/after/bridges"
  section "links (name, admin state, MAC, bridge)"; show_file "$sim/after/links"
  if [ -f "$sim/after/vlans" ]; then section "VLANs (name, VID, parent)"; show_file "$sim/after/vlans" none; fi
  section "IPv4 addresses"; show_file "$sim/after/addresses" none
  section "routes"; show_file "$sim/after/routes" none
  section "driver: ra0 private settings (iwpriv set)"; show_file "$sim/driver/ra0.set" none
  section "driver: ra0 EEPROM words"; show_file "$sim/driver/ra0.e2p"
  section "daemons running"; show_file "$sim/after/daemons" none
  section "modules (/proc/modules)"; show_file "$sim/after/modules" none
  section "command record /etc/cmd_agent"
  if [ -f "$root/etc/cmd_agent" ]; then
    echo "   $(stat -c %s "$root/etc/cmd_agent") bytes, text: $(tr '\000' '\n' <"$root/etc/cmd_agent" | head -n 1)"
    [ -s "$sim/cmd_agent.log" ] && echo "   run by the command agent: $(wc -l <"$sim/cmd_agent.log") times"
  else
    echo "   (none)"
  fi
  section "LED"
  echo "   /proc/qd_ledon: $(cat "$sim/after/qd_ledon" 2>/dev/null | tr -d '\n' || true)"
  echo "   /dev/gpio: $gpio (LED requests show their error on standard error above)"
}
