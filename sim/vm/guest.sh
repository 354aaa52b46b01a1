# The gateway inside the MIPS VM (BusyBox ash, sourced by /vm/main; qd-vm lays it into the
# initramfs). The guest's counterpart of sim/inside.sh, with the same steps (sim/case.sh): each
# case gets a gateway root of its own under /cases, chrooted like the simulator's, on fresh kernel
# links, and leaves the same records (sim/steps/N/..., sim/after/...) under /out/NAME. Cases run
# one after another in one boot.
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
case_files=/vm
. /vm/case.sh

in_gateway() {
  local seconds=$1
  shift
  timeout "$seconds" env -i PATH="$gateway_path" chroot "$R" "$@" 3>&-
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
  local input=/vm/cases/$1 gpio mac
  case_name=${2:-$1}
  R=/cases/$case_name
  sim=$R/sim
  mkdir -p "$R"
  # The template's files are never written by a case: links are enough.
  cp -al /gateway/. "$R/"
  gateway_root "$R"
  cp -a "$input/root/." "$R/"
  read -r gpio <"$input/gpio"
  read -r mac <"$input/mac"
  gateway_proc
  gateway_dev "$gpio"
  gateway_links "$mac"
  step=0
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
  local after=$sim/after pid _
  case_after
  awk -F'|' 'NR > 2 { gsub(/ /, ""); print $1, $2, $3 }' /proc/net/vlan/config >"$after/vlans"
  daemons | while read -r pid rest; do echo "$rest"; done >"$after/daemons"

  # Clean-up: the case's daemons, its console, its mounts; the records go to /out.
  daemons | while read -r pid _; do kill -9 "$pid"; done
  console_close
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
