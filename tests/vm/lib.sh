# Helpers of the VM tests: each case runs twice, with this build's qd_rc in the simulated gateway
# (tests/e2e/lib.sh's `simulate`) and with the mipsel build on the booted MIPS Linux (sim/vm/qd-vm,
# one boot for all the cases of a test), and `compare` holds the two runs to each other.
# Environment besides tests/e2e/lib.sh's: QD_VM (sim/vm/qd-vm), QD_RC_TARGET (the mipsel qd_rc;
# the test is skipped when it is not built), QD_SYSROOT (the mipsel C library's folder).
. "$(dirname "${BASH_SOURCE[0]}")/../e2e/lib.sh"

if [ ! -x "${QD_RC_TARGET:-}" ]; then
  echo "SKIP: no mipsel build of qd_rc (cmake --build --preset mipsel-release)"
  exit 77
fi
QD_VM=${QD_VM:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/sim/vm/qd-vm}
QD_SYSROOT=${QD_SYSROOT:-/usr/mipsel-linux-gnu}
vm_args=()

# vm_case NAME [case options] -- COMMAND...: a case for the VM, and its run on the host now
# (its kept root: $work/host-NAME).
vm_case() {
  local name=$1
  shift
  vm_args+=(--case "$name" "$@")
  simulate "host-$name" "$@"
}

# vm_only NAME [case options] --: a case that only the VM's guest script (--guest) runs.
vm_only() {
  local name=$1
  shift
  vm_args+=(--case "$name" "$@")
}

# boot [qd-vm options]: every case so far in one boot; V is the folder of the records, V/NAME
# the gateway root of case NAME.
boot() {
  V=$work/vm
  "$QD_VM" --qd-rc "$QD_RC_TARGET" --sysroot "$QD_SYSROOT" --tool "$QD_NVRAM_TOOL" --keep "$V" --quiet \
    "$@" "${vm_args[@]}" || fail "qd-vm failed"
}

# The settings that wps_change draws at random, shown as "KES_<n>" and "<psk n>" by order of
# first appearance in a run: two runs compare equal when they set and kept the same values at
# the same steps, and a value of the wrong form stays as it is.
normalized_dump() {
  awk '
    /^wifiBssid\[0\]=KES_[a-z0-9]+$/ && length($0) <= 13 + 31 { $0 = "wifiBssid[0]=" name("KES_", substr($0, 14)) }
    /^wifiWpapsk\[0\]=[a-z0-9]+$/ && length($0) >= 14 + 8 && length($0) <= 14 + 15 { $0 = "wifiWpapsk[0]=" name("<psk ", substr($0, 15)) }
    function name(kind, value) { if (!(kind value in seen)) seen[kind value] = ++count[kind]; return kind seen[kind value] (kind == "KES_" ? "" : ">") }
    { print }
  ' "$@"
}

# The kernel view of a step with what only the VM has left out: ra8..ra15 and the 802.1Q table.
common_view() { grep -vE '^(link ra([89]|1[0-5]) |vlan )' "$1" || true; }

# same WHAT HOST VM: equal files (both absent counts as equal), or the difference is shown.
same() {
  if [ ! -e "$2" ] && [ ! -e "$3" ]; then return; fi
  cmp -s "$2" "$3" 2>/dev/null && return
  fail "$1 differs (host, then VM)"
  diff <(tr '\0' '\n' <"$2" 2>/dev/null) <(tr '\0' '\n' <"$3" 2>/dev/null) | head -20 || true
}

# compare NAME: what qd_rc controls is byte for byte the host's (status, standard output and
# error, shell lines and working copy of each step; profile, command record, driver state, LED,
# modules and daemons afterwards); the kernel's links, bridges, addresses and routes after each
# step are the host's; and every eth2.N link is really VLAN N on eth2.
compare() {
  local name=$1 host=$work/host-$1 vm=$V/$1 steps step dir record file
  [ -d "$vm/sim/steps/1" ] || { fail "$name: no records from the VM"; return; }
  steps=$(ls "$host/sim/steps" | wc -l)
  for ((step = 1; step <= steps; step++)); do
    dir=$host/sim/steps/$step
    for record in status stdout stderr shell; do
      same "$name: step $step ($(<"$dir/command")): $record" "$dir/$record" "$vm/sim/steps/$step/$record"
    done
    expect_text "$name: step $step: kernel view" "$(<"$dir/kernel")" "$(common_view "$vm/sim/steps/$step/kernel")"
    expect_text "$name: step $step: 802.1Q links" "$(awk '$1 == "link" && $2 ~ /^eth2\.[0-9]+$/ {
        split($2, part, "."); print "vlan", $2, part[2], "eth2" }' "$vm/sim/steps/$step/kernel")" \
      "$(grep '^vlan ' "$vm/sim/steps/$step/kernel" || true)"
  done
  [ ! -d "$vm/sim/steps/$step" ] || fail "$name: the VM ran more steps"
  expect_text "$name: working copies" "$(working_copies "$host")" "$(working_copies "$vm")"
  for file in etc/Wireless/RT2860/RT2860.dat etc/cmd_agent sim/driver/ra0.set sim/driver/ra0.e2p \
    sim/after/qd_ledon sim/after/modules sim/daemons.log sim/cmd_agent.log; do
    same "$name: $file" "$host/$file" "$vm/$file"
  done
  # The simulator lists every process left in its namespace; the driver's daemons are what count.
  expect_text "$name: daemons running afterwards" "$(grep -E '^(rt2860apd|wscd):' "$host/sim/after/daemons")" \
    "$(grep -E '^(rt2860apd|wscd):' "$vm/sim/after/daemons")"
}

# working_copies ROOT: the working copy after each step, random values named across the run.
working_copies() {
  local steps step dir
  steps=$(ls "$1/sim/steps" | wc -l)
  for ((step = 1; step <= steps; step++)); do
    dir=$1/sim/steps/$step
    echo "-- after step $step: $(<"$dir/command")"
    if [ -f "$dir/nvram" ]; then "$QD_NVRAM_TOOL" dump "$dir/nvram"; else echo "(none)"; fi
  done | normalized_dump
}
