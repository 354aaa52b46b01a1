# What the two launchers of the gateway (qd-sim on this kernel, vm/qd-vm on a MIPS kernel)
# share: the checks of their options, the builds they find, the kept folder, the clean-up, the
# C library of a binary of another processor, the settings store and ra0's EEPROM laid down in a
# gateway root, the console split by command, and the report of a run. Sourced; the callers
# define die().
sim_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$sim_dir/.." && pwd)

# need OPTION VALUE...: the option's value is there (not another option, not empty).
need() { [ $# -ge 2 ] && [ -n "$2" ] && [ "$2" != -- ] || die "$1 needs a value (see --help)"; }

# check_case IMAGE GPIO MAC SETTINGS WORKING: the values of a case's options (--image, --gpio,
# --mac in lower case, --settings, --working) are usable.
check_case() {
  local file
  case "$1" in sound | damaged | absent) ;; *) die "--image: sound, damaged or absent" ;; esac
  case "$2" in refusing | absent) ;; *) die "--gpio: refusing or absent" ;; esac
  [[ $3 =~ ^([0-9a-f]{2}:){5}[0-9a-f]{2}$ ]] || die "--mac: six two-digit hexadecimal bytes, e.g. 00:0c:43:30:52:80"
  for file in "$4" "${5#same}"; do
    [ -z "$file" ] || [ "$file" = none ] || [ -r "$file" ] || die "$file: cannot read"
  done
}

# built PATH: PATH (a program of a build folder) in the first of the release and host-debug
# builds that has it, or nothing.
built() {
  local preset
  for preset in release host-debug; do
    if [ -x "$repo/build/$preset/$1" ]; then
      echo "$repo/build/$preset/$1"
      return
    fi
  done
}

# kept_folder DIR: DIR, made if need be, new or empty, printed as an absolute path (it changes
# the working folder: call it in a command substitution).
kept_folder() {
  mkdir -p "$1"
  [ -z "$(ls -A "$1")" ] || die "$1: not empty"
  cd "$1" && pwd
}

# The clean-up when the launcher ends, also on failure, Ctrl-C and TERM (clean_up_on_exit sets
# it): the child that run_child started, if it still runs, is killed with the signal
# $child_signal and waited for, and the folder $scratch, when set, removed.
child_pid="" child_signal=TERM scratch=""
clean_up() {
  local status=$?
  trap - EXIT INT TERM
  if [ -n "$child_pid" ] && kill -0 "$child_pid" 2>/dev/null; then
    kill "-$child_signal" "$child_pid" 2>/dev/null || true
    wait "$child_pid" 2>/dev/null || true
  fi
  [ -z "$scratch" ] || rm -rf "$scratch"
  exit "$status"
}
clean_up_on_exit() {
  trap clean_up EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
}

# run_child COMMAND...: runs it as the child that the clean-up ends; its exit status.
run_child() {
  local status=0
  "$@" &
  child_pid=$!
  wait "$child_pid" || status=$?
  child_pid=""
  return "$status"
}

# copy_libraries BINARY SYSROOT ROOT: the loader and libraries that BINARY, a program of another
# processor, names, from the C library folder SYSROOT to the same places under ROOT (a script
# instead of a program gets those of the C library itself).
copy_libraries() {
  local library libraries=(/lib/ld.so.1 /lib/libc.so.6)
  if [ "$(head -c 4 "$1")" = $'\x7fELF' ]; then
    libraries=($(readelf -lW "$1" | sed -n 's/.*interpreter: \(.*\)\]/\1/p')
      $(readelf -dW "$1" | sed -n 's|.*(NEEDED).*\[\(.*\)\]|/lib/\1|p'))
  fi
  for library in "${libraries[@]}"; do
    cp -L "$2$library" "$3$library" || die "$2$library: missing (--sysroot)"
  done
}

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

# show_lines FILE: the shell lines of a record (each ended by a zero byte), numbered; a line
# break inside a command line continues under it, marked "|".
show_lines() {
  local number=0 line
  while IFS= read -r -d '' line; do
    number=$((number + 1))
    printf '%4d  %s\n' "$number" "${line//$'\n'/$'\n'      | }"
  done <"$1"
  ((number)) || echo "   (none)"
}

# report ROOT TOOL GPIO: what each command did and the gateway after the last one, from the
# records under ROOT/sim.
report() {
  local root=$1 tool=$2 gpio=$3 sim=$1/sim step dir
  section() { printf '\n-- %s\n' "$1"; }
  indent() { sed 's/^/   /'; }
  show_file() { if [ -s "$1" ]; then indent <"$1"; else echo "   (${2:-empty})"; fi; }
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
