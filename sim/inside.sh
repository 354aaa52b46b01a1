#!/usr/bin/env bash
# The simulator's part inside fresh mount, network and PID namespaces (started by qd-sim, never
# by hand): mounts the gateway root's /proc, /sys and /dev, makes the network links, runs each
# qd_rc command chrooted, and records the state afterwards under ROOT/sim. Everything it makes
# vanishes with the namespaces when it ends.
set -euo pipefail
root=$1 gpio=$2 mac=$3
shift 3
sim=$root/sim
gateway_path=/sbin:/usr/sbin:/bin:/usr/bin:/gw/bin

# Host tools used here see this network namespace's links through a sysfs of its own.
mount -t sysfs sysfs /sys
# The gateway's LAN is IPv4 only.
sysctl -qw net.ipv6.conf.all.disable_ipv6=1 net.ipv6.conf.default.disable_ipv6=1

# /proc of the gateway: the LED file and the module list, the rest of the real /proc by links.
mount -t proc proc "$sim/pidview/proc"
mount -t tmpfs -o mode=0755 tmpfs "$root/proc"
targets=()
for entry in /proc/*; do
  name=${entry#/proc/}
  case "$name" in *[!0-9]*) [ "$name" = modules ] || targets+=("/sim/pidview/proc/$name") ;; esac
done
# The sanitizers' runtime reads /proc/<its PID>/task: a link for every PID that this namespace
# can hand out. From 6.14 on the kernel keeps pid_max per PID namespace, so it is made small
# here; an older kernel shares it with the host, and it is only read.
IFS=. read -r major minor _ </proc/sys/kernel/osrelease
if ((major > 6 || (major == 6 && minor >= 14))); then echo 4096 >/proc/sys/kernel/pid_max; fi
read -r pid_max </proc/sys/kernel/pid_max
limit=$((pid_max < 32768 ? pid_max : 32768))
for ((pid = 1; pid <= limit; pid++)); do targets+=("/sim/pidview/proc/$pid"); done
ln -s "${targets[@]}" "$root/proc/"
echo "RT3090_ap 4096 0 - Live 0x0000000000000000" >"$root/proc/modules"
: >"$root/proc/qd_ledon"
mount -t sysfs sysfs "$root/sys"

mount -t tmpfs -o mode=0755 tmpfs "$root/dev"
mkdir "$root/dev/net"
cp -a /dev/null /dev/zero /dev/random /dev/urandom "$root/dev/"
cp -a /dev/net/tun "$root/dev/net/"
# The GPIO driver: absent, or a device on which the LED request fails.
if [ "$gpio" = refusing ]; then mknod -m 666 "$root/dev/gpio" c 1 3; fi
# The console: a pipe whose reader appends everything to the console log, in order.
mkfifo -m 622 "$root/dev/console"
cat "$root/dev/console" >"$sim/console.log" &
console_reader=$!
exec 3>"$root/dev/console"

# The gateway's links: the radio's SSID interfaces and second radio, the wired side eth2 (its
# peer stands for the LAN switch) and the LAN bridge br0 holding eth2.
mac_plus() {  # ADDRESS N: the address with N added to its last byte, in $address
  local last=$((0x${1##*:} + $2))
  printf -v address '%s:%02x' "${1%:*}" $((last & 255))
}
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
run_chrooted() { timeout "$1" env -i PATH="$gateway_path" "${sanitizer_env[@]}" chroot "$root" "${@:2}" 3>&-; }

directories=("$sim/after")
for ((step = 1; step <= $#; step++)); do directories+=("$sim/steps/$step"); done
mkdir "${directories[@]}"
step=0
for command in "$@"; do
  step=$((step + 1))
  dir=$sim/steps/$step
  printf '%s\n' "$command" >"$dir/command"
  : >"$dir/console"
  read -r -a words <<<"$command" || true
  status=0
  run_chrooted 60 /sbin/qd_rc "${words[@]}" >"$dir/stdout" 2>"$dir/stderr" </dev/null || status=$?
  echo "$status" >"$dir/status"
  mv "$sim/step.log" "$dir/shell"
  : >"$sim/step.log"
  # The command agent picks up a new record in its own time: here, between two commands.
  [ ! -f "$root/etc/cmd_agent" ] || run_chrooted 10 /sim/bin/cmd_agent </dev/null >/dev/null 2>&1 || true
  [ -f "$root/tmp/nvram" ] && cp "$root/tmp/nvram" "$dir/nvram"
  run_chrooted 10 /sim/bin/kernel_view </dev/null >"$dir/kernel" 2>&1 || true
  printf '\001qd-sim step %d\001\n' "$step" >&3
done

# The state after the last command.
after=$sim/after
brctl show >"$after/bridges" 2>&1 || true
ip -o link show | awk -f "$(dirname "${BASH_SOURCE[0]}")/links.awk" >"$after/links"
ip -o -4 addr show | awk '{ print $2, $4 }' >"$after/addresses"
ip -4 route show >"$after/routes"
# The daemons: the processes still running chrooted in the gateway root. The simulator's own
# stay out, also one just forked for a command here that has not yet started it.
daemons=()
for proc in /proc/[0-9]*; do
  if [ "$proc/root" -ef "$root" ]; then daemons+=("${proc#/proc/}"); fi
done
if ((${#daemons[@]})); then
  ps -o pid=,comm=,args= -p "${daemons[*]}" | awk '{
    $1 = ""; comm = $2; $2 = ""; args = $0
    sub(/^ *\/bin\/busybox ash /, "", args); sub(/ --detached/, "", args)
    print comm ": " args
  }'
fi >"$after/daemons"
cp "$root/proc/modules" "$after/modules"
cp "$root/proc/qd_ledon" "$after/qd_ledon"

exec 3>&-
# Daemons keep no console open, so the reader ends as soon as the last output is in.
(sleep 5; kill "$console_reader" 2>/dev/null) &
watchdog=$!
wait "$console_reader" || true
kill "$watchdog" 2>/dev/null || true
