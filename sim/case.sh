# One case of the gateway, as the simulator (sim/inside.sh, bash, in fresh namespaces on this
# kernel) and the MIPS VM's guest (sim/vm/guest.sh, BusyBox ash) both run it: the gateway root's
# folders, its /proc and /dev, the console, each qd_rc command with its records, and the state
# afterwards (qd-sim lays its root with gateway_root too). Sourced, so plain sh: no arrays, no
# bash words. For the rest the caller sets R (the gateway root), sim ($R/sim) and case_files
# (the folder of this file and links.awk), and defines in_gateway SECONDS PROGRAM..., which runs
# a program chrooted into R as the gateway runs it.
gateway_path=/sbin:/usr/sbin:/bin:/usr/bin:/gw/bin

# gateway_root ROOT: the folders and files of a gateway root beyond sim/gateway's and BusyBox
# (which the launcher lays into bin/): the driver's module file, the pidview (killall sees the
# processes through /sim/pidview, whose /proc is the real one), the shell records and a FIFO
# that no one writes (the stand-in daemons wait on it).
gateway_root() {
  mkdir -p "$1/etc" "$1/tmp" "$1/proc" "$1/sys" "$1/dev" "$1/lib/modules" "$1/usr/sbin" "$1/gw/bin" \
    "$1/gw/lib" "$1/sim/driver" "$1/sim/run" "$1/sim/steps" "$1/sim/after" "$1/sim/pidview/bin" \
    "$1/sim/pidview/proc"
  chmod 1777 "$1/tmp"
  ln "$1/bin/busybox" "$1/sim/pidview/bin/busybox"
  : >"$1/lib/modules/qd_vrif.ko"
  : >"$1/sim/shell.log"
  : >"$1/sim/step.log"
  mkfifo "$1/sim/never"
}

# gateway_proc [TARGET...]: /proc of the gateway: the LED file and the module list, the rest of
# the real /proc by links (and a link to each TARGET); then its /sys.
gateway_proc() {
  local entry name targets=""
  mount -t proc proc "$sim/pidview/proc"
  mount -t tmpfs -o mode=0755 tmpfs "$R/proc"
  for entry in /proc/*; do
    name=${entry#/proc/}
    case "$name" in *[!0-9]*) [ "$name" = modules ] || targets="$targets /sim/pidview/proc/$name" ;; esac
  done
  # (Names in /proc hold no blank and no pattern character.)
  ln -s $targets "$@" "$R/proc/"
  echo "RT3090_ap 4096 0 - Live 0x0000000000000000" >"$R/proc/modules"
  : >"$R/proc/qd_ledon"
  mount -t sysfs sysfs "$R/sys"
}

# gateway_dev GPIO: /dev of the gateway, with the GPIO driver absent or a device on which the LED
# request fails (GPIO refusing), and its console: a pipe whose reader appends everything to
# $sim/console.log, in order, open on descriptor 3 (console_reader: the reader's PID).
gateway_dev() {
  mount -t tmpfs -o mode=0755 tmpfs "$R/dev"
  mknod -m 666 "$R/dev/null" c 1 3
  mknod -m 666 "$R/dev/zero" c 1 5
  mknod -m 666 "$R/dev/random" c 1 8
  mknod -m 666 "$R/dev/urandom" c 1 9
  [ "$1" != refusing ] || mknod -m 666 "$R/dev/gpio" c 1 3
  mkfifo -m 622 "$R/dev/console"
  cat "$R/dev/console" >"$sim/console.log" &
  console_reader=$!
  exec 3>"$R/dev/console"
}

# mac_plus ADDRESS N: the address with N added to its last byte, in $address.
mac_plus() {
  local last=$((0x${1##*:} + $2))
  address=$(printf '%s:%02x' "${1%:*}" $((last & 255)))
}

# case_step COMMAND: one qd_rc command line (words split at blanks) and its records under
# $sim/steps/N (N counts in $step): the command, exit status, standard output and error, shell
# lines, the working copy and the kernel's view afterwards, and a marker on the console.
case_step() {
  local dir status
  step=$((step + 1))
  dir=$sim/steps/$step
  [ -d "$dir" ] || mkdir "$dir"
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
  [ ! -f "$R/etc/cmd_agent" ] || in_gateway 10 /sim/bin/cmd_agent </dev/null >/dev/null 2>&1 || true
  [ ! -f "$R/tmp/nvram" ] || cp "$R/tmp/nvram" "$dir/nvram"
  in_gateway 10 /sim/bin/kernel_view </dev/null >"$dir/kernel" 2>&1 || true
  printf '\001qd-sim step %d\001\n' "$step" >&3
}

# case_after: the state after the last command under $sim/after (the daemons are the caller's).
case_after() {
  local after=$sim/after
  brctl show >"$after/bridges" 2>&1 || true
  ip -o link show | awk -f "$case_files/links.awk" >"$after/links"
  ip -o -4 addr show | awk '{ print $2, $4 }' >"$after/addresses"
  ip -4 route show >"$after/routes"
  cp "$R/proc/modules" "$after/modules"
  cp "$R/proc/qd_ledon" "$after/qd_ledon"
}

# console_close: the console closed and its reader ended. Daemons keep no console open, so the
# reader ends as soon as the last output is in.
console_close() {
  local watchdog
  exec 3>&-
  (sleep 5; kill "$console_reader" 2>/dev/null) &
  watchdog=$!
  wait "$console_reader" || true
  kill "$watchdog" 2>/dev/null || true
}
