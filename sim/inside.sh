#!/usr/bin/env bash
# The simulator's part inside fresh mount, network and PID namespaces (started by qd-sim, never
# by hand): mounts the gateway root's /proc, /sys and /dev, makes the network links, runs each
# qd_rc command chrooted, and records the state afterwards under ROOT/sim (sim/case.sh, shared
# with the MIPS VM's guest). Everything it makes vanishes with the namespaces when it ends.
set -euo pipefail
R=$1 gpio=$2 mac=$3
shift 3
sim=$R/sim
case_files=$(dirname "${BASH_SOURCE[0]}")
. "$case_files/case.sh"

# Host tools used here see this network namespace's links through a sysfs of its own.
mount -t sysfs sysfs /sys
# The gateway's LAN is IPv4 only.
sysctl -qw net.ipv6.conf.all.disable_ipv6=1 net.ipv6.conf.default.disable_ipv6=1

# The sanitizers' runtime reads /proc/<its PID>/task: a link for every PID that this namespace
# can hand out. From 6.14 on the kernel keeps pid_max per PID namespace, so it is made small
# here; an older kernel shares it with the host, and it is only read.
IFS=. read -r major minor _ </proc/sys/kernel/osrelease
if ((major > 6 || (major == 6 && minor >= 14))); then echo 4096 >/proc/sys/kernel/pid_max; fi
read -r pid_max </proc/sys/kernel/pid_max
limit=$((pid_max < 32768 ? pid_max : 32768))
pids=()
for ((pid = 1; pid <= limit; pid++)); do pids+=("/sim/pidview/proc/$pid"); done
gateway_proc "${pids[@]}"
gateway_dev "$gpio"
mkdir "$R/dev/net"
cp -a /dev/net/tun "$R/dev/net/"

# The gateway's links: the radio's SSID interfaces and second radio, the wired side eth2 (its
# peer stands for the LAN switch) and the LAN bridge br0 holding eth2.
{
  for i in 0 1 2 3 4 5 6 7; do
    echo "tuntap add dev ra$i mode tap"
    mac_plus "$mac" "$i"
    echo "link set dev ra$i address $address"
  done
  echo "tuntap add dev rai0 mode tap"
  mac_plus "$mac" 8
  echo "link set dev rai0 address $address"
  echo "link add eth2 type veth peer name lanswitch"
  echo "link set dev eth2 address 00:0c:43:28:60:02"
  echo "link set dev lanswitch address 00:0c:43:28:60:ff"
  echo "link add br0 type bridge"
  echo "link set dev eth2 master br0"
  echo "link set dev lanswitch up"
  echo "link set dev eth2 up"
  echo "link set dev br0 up"
} | ip -batch -

sanitizer_env=()
for name in ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS; do
  if [ -n "${!name:-}" ]; then sanitizer_env+=("$name=${!name}"); fi
done
# A command that never ends (a daemon that does not detach) is cut off rather than hanging.
in_gateway() { timeout "$1" env -i PATH="$gateway_path" "${sanitizer_env[@]}" chroot "$R" "${@:2}" 3>&-; }

# The steps' folders at once (few processes: each costs time on a small machine).
directories=()
for ((step = 1; step <= $#; step++)); do directories+=("$sim/steps/$step"); done
(($# == 0)) || mkdir "${directories[@]}"
step=0
for command in "$@"; do case_step "$command"; done

case_after
# The daemons: the processes still running chrooted in the gateway root. The simulator's own
# stay out, also one just forked for a command here that has not yet started it.
daemons=()
for proc in /proc/[0-9]*; do
  if [ "$proc/root" -ef "$R" ]; then daemons+=("${proc#/proc/}"); fi
done
if ((${#daemons[@]})); then
  ps -o pid=,comm=,args= -p "${daemons[*]}" | awk '{
    $1 = ""; comm = $2; $2 = ""; args = $0
    sub(/^ *\/bin\/busybox ash /, "", args); sub(/ --detached/, "", args)
    print comm ": " args
  }'
fi >"$sim/after/daemons"
console_close
