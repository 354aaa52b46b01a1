#!/usr/bin/env bash
# `qd_rc wlan start` in the simulated gateway against the replay of its own shell lines.
#
#   bench/start_vs_replay.sh [RUNS]        (as root; after a release build)
#
# Each run lays a fresh simulated gateway with the benchmark's store (64 KB, 8 SSIDs) and
# times one command inside it with the monotonic clock, started and read in the gateway:
#   qd_rc   /sbin/qd_rc wlan start: its own work, its children and every shell line it runs;
#   replay  the shell lines that the qd_rc run recorded (children's lines included, the
#           lines that start qd_rc itself left out), each handed to the gateway's /bin/sh with
#           -c in the same order by a small static program (bench/sim_bench.cpp), with the
#           profile that qd_rc wrote already in place.
# Runs alternate, so both see the same machine; the medians and their ratio are printed.
# The simulator is used as it is, from a private copy with the timing wrapper added.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
runs=${1:-7}
kb=${QD_BENCH_STORE_KB:-64}
ssids=${QD_BENCH_SSIDS:-8}
sim_dir=${QD_SIM_DIR:-$repo/sim}
build=${QD_BENCH_BUILD:-$repo/build/release}
tool=${QD_SIM_TOOL:-$build/tools/qd_nvram_tool}

[ -x "$sim_dir/qd-sim" ] || { echo "start_vs_replay: no simulator at $sim_dir: skipped"; exit 0; }
[ "$(id -u)" = 0 ] || { echo "start_vs_replay: the simulator needs root: skipped"; exit 0; }
for f in "$build/src/qd_rc" "$build/bench/sim_bench" "$build/bench/settings_text" "$tool"; do
  [ -x "$f" ] || { echo "start_vs_replay: $f not built" >&2; exit 1; }
done

work=$(mktemp -d)
trap '[ -n "${QD_BENCH_KEEP:-}" ] || rm -rf "$work"' EXIT
cp -a "$sim_dir" "$work/sim"
gateway=$work/sim/gateway
mkdir -p "$gateway/sim/bench" "$gateway/etc/Wireless/RT2860"
cp "$build/bench/sim_bench" "$gateway/sim/bench/clock"
"$build/bench/settings_text" "$kb" "$ssids" >"$work/settings"

# /sbin/qd_rc of the simulated gateway: puts the command to time in its own place (so that
# children run it directly) and times it.
cat >"$work/wrapper" <<'WRAPPER'
#!/bin/busybox ash
/bin/busybox mv /sbin/qd_rc.run /sbin/qd_rc
start=$(/sim/bench/clock)
/sbin/qd_rc "$@"
status=$?
end=$(/sim/bench/clock)
echo "$start $end" >/sim/bench/time
exit $status
WRAPPER
chmod 755 "$work/wrapper"

# One run: KIND (qd_rc or replay) and its number; prints the microseconds.
run() {
  local kind=$1 n=$2 root=$work/run-$1-$2
  if [ "$kind" = qd_rc ]; then
    cp "$build/src/qd_rc" "$gateway/sbin/qd_rc.run"
    rm -f "$gateway/etc/Wireless/RT2860/RT2860.dat"
  else
    cp "$build/bench/sim_bench" "$gateway/sbin/qd_rc.run"
    cp "$work/profile" "$gateway/etc/Wireless/RT2860/RT2860.dat"
  fi
  chmod 755 "$gateway/sbin/qd_rc.run"
  "$work/sim/qd-sim" --keep "$root" --quiet --settings "$work/settings" --qd-rc "$work/wrapper" \
    --tool "$tool" -- 'wlan start' >/dev/null
  read -r start end <"$root/sim/bench/time"
  echo $(((end - start) / 1000))
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

first=$(run qd_rc 0)
cp "$work/run-qd_rc-0/sim/steps/1/shell" "$gateway/sim/bench/record"
cp "$work/run-qd_rc-0/etc/Wireless/RT2860/RT2860.dat" "$work/profile"
lines=$(tr '\0' '\n' <"$gateway/sim/bench/record" | grep -vc '^/sbin/qd_rc ' || true)
qd=() replay=()
for ((n = 1; n <= runs; n++)); do
  qd+=("$(run qd_rc "$n")")
  replay+=("$(run replay "$n")")
  rm -rf "$work"/run-*-"$n"
done
qd_us=$(printf '%s\n' "${qd[@]}" | median)
replay_us=$(printf '%s\n' "${replay[@]}" | median)
echo "wlan start, ${ssids} SSIDs, ${kb} KB store, simulated gateway, ${runs} runs each (median, microseconds):"
echo "  qd_rc wlan start      ${qd_us}   (runs: ${qd[*]}; first, unmeasured: ${first})"
echo "  replay of ${lines} lines  ${replay_us}   (runs: ${replay[*]})"
awk -v q="$qd_us" -v r="$replay_us" 'BEGIN { printf "  ratio qd_rc / replay  %.3f (%+.1f%%)\n", q / r, (q / r - 1) * 100 }'
