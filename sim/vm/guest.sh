# The gateway inside the MIPS VM (BusyBox ash, sourced by /vm/main; qd-vm lays it into the
# initramfs). The guest's counterpart of sim/inside.sh: each case gets a gateway root of its own
# under /cases, chrooted like the simulator's, on fresh kernel links, and leaves the same records
# (sim/steps/N/..., sim/after/...) under /out/NAME. Cases run one after another in one boot.
#
#   run_case NAME                 the whole case: case_begin, each command, case_end
#   case_begin NAME [AS]          gateway root, mounts, console and links of case NAME (under
#                                 the name AS: a case may run more than once)
#   case_step COMMAND             one qd_rc command line (words split at blanks) and its records
#   case_end                      the state afterwards, clean-up, records to /out/NAME
#   in_gateway SECONDS PROGRAM... a program chrooted into the case's root, as the gateway runs it
#
# Input of case NAME (from qd-vm): /vm/cases/NAME/root (files laid over the root: the settings
# store and ra0's EEPROM), commands (one a line), gpio (refusing or absent), mac (ra0's address).
gateway_path=/sbin:/usr/sbin:/bin:/usr/bin:/gw/bin

in_gateway() {
  local seconds=$1
  shift
  timeout "$seconds" env -i PATH="$gateway_path" chroot "$R" "$@" 3>&-
}

# mac_plus ADDRESS N: the address with N added to its last byte, in $address.
mac_plus() {
  local last=$((0x${1##*:} + $2))
  address=$(printf '%s:%02x' "${1%:*}" $((last & 255)))
}

# gateway_links MAC: the gateway's links afresh, as the simulator makes them: the radio's SSID
# interfaces ra0..ra15 and second radio rai0 (taps; ra0..ra7 and rai0 count up from MAC as in
# the simulator, ra8..ra15 go on after rai0), eth2 (a veth whose peer lanswitch stands for the
# LAN switch) in the bridge br0. Everything an earlier case made goes first.
gateway_links() {
  local mac=$1 path name i
  for path in /sys/class/net/*; do
    name=${path##*/}
    [ "$name" = lo ] || ip link del "$name" 2>/dev/null
  done
  ip link set lo down
  ip addr flush dev lo
  i=0
  while [ $i -lt 16 ]; do
    tunctl -t "ra$i" >/dev/null
    if [ $i -lt 8 ]; then mac_plus "$mac" $i; else mac_plus "$mac" $((i + 1)); fi
    ip link set dev "ra$i" address "$address"
    i=$((i + 1))
  done
  tunctl -t rai0 >/dev/null
  mac_plus "$mac" 8
  ip link set dev rai0 address "$address"
  # BusyBox ip names the peer itself (veth0).
  ip link add lanswitch type veth
  ip link set dev veth0 name eth2
  ip link set dev eth2 address 00:0c:43:28:60:02
  ip link set dev lanswitch address 00:0c:43:28:60:ff
  brctl addbr br0
  brctl addif br0 eth2
  ip link set dev lanswitch up
  ip link set dev eth2 up
  ip link set dev br0 up
}

case_begin() {
  local input=/vm/cases/$1 entry name gpio mac
  case_name=${2:-$1}
  R=/cases/$case_name
  sim=$R/sim
  mkdir -p "$R"
  # The template's files are never written by a case: links are enough.
  cp -al /gateway/. "$R/"
  mkdir -p "$R/etc" "$R/tmp" "$R/proc" "$R/sys" "$R/dev" "$sim/driver" "$sim/run" "$sim/steps" \
    "$sim/after" "$sim/pidview/bin" "$sim/pidview/proc"
  chmod 1777 "$R/tmp"
  ln "$R/bin/busybox" "$sim/pidview/bin/busybox"
  : >"$sim/shell.log"
  : >"$sim/step.log"
  mkfifo "$sim/never"
  cp -a "$input/root/." "$R/"
  read -r gpio <"$input/gpio"
  read -r mac <"$input/mac"

  # /proc of the gateway: the LED file and the module list, the rest of the real /proc by links
  # (killall looks at the processes from /sim/pidview, whose /proc is the real one).
  mount -t proc proc "$sim/pidview/proc"
  mount -t tmpfs -o mode=0755 tmpfs "$R/proc"
  for entry in /proc/*; do
    name=${entry#/proc/}
    case "$name" in *[!0-9]*) [ "$name" = modules ] || ln -s "/sim/pidview/proc/$name" "$R/proc/$name" ;; esac
  done
  echo "RT3090_ap 4096 0 - Live 0x0000000000000000" >"$R/proc/modules"
  : >"$R/proc/qd_ledon"
  mount -t sysfs sysfs "$R/sys"
  mount -t tmpfs -o mode=0755 tmpfs "$R/dev"
  mknod -m 666 "$R/dev/null" c 1 3
  mknod -m 666 "$R/dev/zero" c 1 5
  mknod -m 666 "$R/dev/random" c 1 8
  mknod -m 666 "$R/dev/urandom" c 1 9
  # The GPIO driver: absent, or a device on which the LED request fails.
  [ "$gpio" != refusing ] || mknod -m 666 "$R/dev/gpio" c 1 3
  # The console: a pipe whose reader appends everything to the console log, in order.
  mkfifo -m 622 "$R/dev/console"
  cat "$R/dev/console" >"$sim/console.log" &
  console_reader=$!
  exec 3>"$R/dev/console"
  gateway_links "$mac"
  step=0
}

case_step() {
  local dir status
  step=$((step + 1))
  dir=$sim/steps/$step
  mkdir -p "$dir"
  printf '%s\n' "$1" >"$dir/command"
  : >"$dir/console"
  set -f
  set -- $1
  set +f
  status=0
  in_gateway 60 /sbin/qd_rc "$@" >"$dir/stdout" 2>"$dir/stderr" </dev/null || status=$?
  echo "$status" >"$dir/status"
  mv "$sim/step.log" "$dir/shell"
  : >"$sim/step.log"
  # The command agent picks up a new record in its own time: here, between two commands.
  [ ! -f "$R/etc/cmd_agent" ] || in_gateway 10 /sim/bin/cmd_agent </dev/null >/dev/null 2>&1
  [ ! -f "$R/tmp/nvram" ] || cp "$R/tmp/nvram" "$dir/nvram"
  in_gateway 10 /sim/bin/kernel_view </dev/null >"$dir/kernel" 2>&1
  printf '\001qd-sim step %d\001\n' "$step" >&3
}

# The daemons that the stand-ins started and that still run: "PID COMM: ARGS" a line.
daemons() {
  local marker pid comm args
  for marker in "$sim"/run/*; do
    pid=${marker##*/}
    [ -r "/proc/$pid/cmdline" ] || continue
    read -r comm <"/proc/$pid/comm"
    args=$(tr '\0' ' ' <"/proc/$pid/cmdline")
    args=${args#/bin/busybox ash }
    args=${args% }
    case "$args" in *" --detached"*) args="${args%% --detached*}${args#* --detached}" ;; esac
    echo "$pid $comm: $args"
  done | sort -n
}

case_end() {
  local after=$sim/after pid _ watchdog
  brctl show >"$after/bridges" 2>&1
  ip -o link show | awk -f /vm/links.awk >"$after/links"
  awk -F'|' 'NR > 2 { gsub(/ /, ""); print $1, $2, $3 }' /proc/net/vlan/config >"$after/vlans"
  ip -o -4 addr show | awk '{ print $2, $4 }' >"$after/addresses"
  ip -4 route show >"$after/routes"
  daemons | while read -r pid rest; do echo "$rest"; done >"$after/daemons"
  cp "$R/proc/modules" "$after/modules"
  cp "$R/proc/qd_ledon" "$after/qd_ledon"

  # Clean-up: the case's daemons, its console, its mounts; the records go to /out.
  daemons | while read -r pid _; do kill -9 "$pid"; done
  exec 3>&-
  (sleep 5; kill "$console_reader" 2>/dev/null) &
  watchdog=$!
  wait "$console_reader"
  kill "$watchdog" 2>/dev/null
  umount "$R/dev" "$R/sys" "$R/proc" "$sim/pidview/proc"
  mkdir -p "/out/$case_name"
  mv "$sim" "$R/etc" "$R/tmp" "/out/$case_name/"
  rm -rf "$R"
}

run_case() {
  local command
  case_begin "$1"
  while IFS= read -r command; do case_step "$command"; done <"/vm/cases/$1/commands"
  case_end
}
