#!/usr/bin/env bash
# The MIPS VM's cost instrument: `qd_rc wlan start` with 8 SSIDs against the replay of its own
# shell lines, on the booted MIPS Linux (sim/vm/qd-vm) with the guest's clock counting
# instructions, for a 4 KB and a 64 KB store; the calibration of that clock; and where the
# instructions of one get go, on stores of 4 to 256 KB (bench/vm_gets.cpp, a boot of its own).
#
#   bench/vm_start.sh [TRIALS]      (after the release and mipsel-release builds; default 5)
#
# With -icount shift=1 each emulated instruction is 2 ns of the VM's virtual clock, and the RTC
# runs on that clock, so that the kernel measures the same processor frequency at every boot.
# An idle guest skips ahead to its next timer (sleep=off). Times are read from the processor's
# cycle counter (bench/vm_bench.cpp): they count the instructions run and the waits for timers,
# whatever this machine's load. Each trial runs on a fresh gateway:
#   qd_rc   /sbin/qd_rc wlan start: its own work, its children and every shell line it runs;
#   replay  the shell lines that a first, unmeasured qd_rc run of the same boot recorded
#           (children's lines included), each handed to the gateway's /bin/sh with -c in the same
#           order, /sbin/qd_rc being a program that does nothing (so a child's line costs its
#           shell line only), with that run's profile in place.
# Each boot runs one store's first run, one qd_rc trial and one replay trial (the first boot
# also the calibration). QEMU 7.2 livelocks now and then under -icount in a long run; a boot that
# hangs is cut off after QD_VM_TIMEOUT (default 240) seconds and run again (three tries in all),
# with a few bytes more in its initramfs so that it takes another path. The medians and their
# ratio are printed, with the calibration.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
trials=${1:-5}
ssids=${QD_BENCH_SSIDS:-8}
read -r -a stores <<<"${QD_BENCH_VM_STORES_KB:-4 64}"
release=$repo/build/release
mipsel=$repo/build/mipsel-release
for f in "$mipsel/src/qd_rc" "$mipsel/bench/vm_bench" "$mipsel/bench/vm_gets" "$release/bench/settings_text" "$release/tools/qd_nvram_tool"; do
  [ -x "$f" ] || { echo "vm_start: $f not built" >&2; exit 1; }
done

work=$(mktemp -d)
trap '[ -n "${QD_BENCH_KEEP:-}" ] || rm -rf "$work"' EXIT
mkdir -p "$work/overlay/sim/bench"
cp "$mipsel/bench/vm_bench" "$work/overlay/sim/bench/vm_bench"
for kb in "${stores[@]}"; do
  "$release/bench/settings_text" "$kb" "$ssids" >"$work/store$kb.settings"
done

# The guest's part of one boot: STORE (KB), with the calibration first when asked.
guest() {
  cat <<GUEST
${2:+/gateway/sim/bench/vm_bench calibrate >/out/calibration}
trial() {  # NAME KIND: one run of KIND (first, qd_rc or replay) on a fresh gateway
  case_begin store$1 "\$1"
  if [ "\$2" = replay ]; then
    rm "\$R/sbin/qd_rc"
    ln -s /sim/bench/vm_bench "\$R/sbin/qd_rc"
    cp /out/record "\$R/sim/bench/record"
    mkdir -p "\$R/etc/Wireless/RT2860"
    cp /out/profile "\$R/etc/Wireless/RT2860/RT2860.dat"
    in_gateway 3600 /sim/bench/vm_bench time /sim/bench/time /sim/bench/vm_bench replay /sim/bench/record
  else
    in_gateway 3600 /sim/bench/vm_bench time /sim/bench/time /sbin/qd_rc wlan start
  fi </dev/null >/dev/null 2>&1
  if [ "\$2" = first ]; then
    cp "\$sim/step.log" /out/record
    cp "\$R/etc/Wireless/RT2860/RT2860.dat" /out/profile
  fi
  echo "\$2 $1 \$(cat "\$R/sim/bench/time")" >>/out/times
  case_end
  rm -rf "/out/\$1"
}
trial first first
trial qd_rc qd_rc
trial replay replay
GUEST
}

# boot STORE [calibrate]: one boot; its figures are added to $work/times (and calibration).
boot() {
  local try out
  for try in 1 2 3; do
    out=$work/boot-$1-$RANDOM
    guest "$@" >"$work/guest.sh"
    head -c "$((try * RANDOM))" /dev/zero >"$work/overlay/sim/bench/padding"
    if QD_VM_TIMEOUT=${QD_VM_TIMEOUT:-240} "$repo/sim/vm/qd-vm" --icount --quiet --keep "$out" \
      --overlay "$work/overlay" --guest "$work/guest.sh" --qd-rc "$mipsel/src/qd_rc" \
      --tool "$release/tools/qd_nvram_tool" --case "store$1" --settings "$work/store$1.settings" -- 2>"$work/error" &&
      [ "$(wc -l <"$out/times")" = 3 ]; then
      cat "$out/times" >>"$work/times"
      [ ! -s "$out/calibration" ] || cp "$out/calibration" "$work/calibration"
      tr '\0' '\n' <"$out/record" | wc -l >"$work/lines$1"
      rm -rf "$out"
      return 0
    fi
    echo "vm_start: a boot for the $1 KB store failed ($(head -c 200 "$work/error")); once more" >&2
    rm -rf "$out"
  done
  return 1
}

# The parts of a get (bench/vm_gets.cpp) on stores of 4 to 256 KB, in one boot of their own.
gets_table() {
  local try kb args=() out
  mkdir -p "$work/gets/sim/bench"
  cp "$mipsel/bench/vm_gets" "$work/gets/sim/bench/vm_gets"
  for kb in 4 16 64 256; do
    "$release/bench/settings_text" "$kb" "$ssids" >"$work/gets$kb.settings"
    args+=(--case "gets$kb" --settings "$work/gets$kb.settings" --)
  done
  cat >"$work/gets.sh" <<'GUEST'
for kb in 4 16 64 256; do
  case_begin gets$kb
  in_gateway 3600 /sim/bench/vm_gets $kb </dev/null >>/out/gets 2>/dev/null
  case_end
  rm -rf /out/gets$kb
done
GUEST
  for try in 1 2 3; do
    out=$work/boot-gets-$RANDOM
    head -c "$((try * RANDOM))" /dev/zero >"$work/gets/sim/bench/padding"
    if QD_VM_TIMEOUT=${QD_VM_TIMEOUT:-240} "$repo/sim/vm/qd-vm" --icount --quiet --keep "$out" \
      --overlay "$work/gets" --guest "$work/gets.sh" --qd-rc "$mipsel/src/qd_rc" \
      --tool "$release/tools/qd_nvram_tool" "${args[@]}" 2>"$work/error" && [ -s "$out/gets" ]; then
      cp "$out/gets" "$work/gets.out"
      rm -rf "$out"
      return 0
    fi
    echo "vm_start: the boot of the get table failed ($(head -c 200 "$work/error")); once more" >&2
    rm -rf "$out"
  done
  return 1
}

started=$SECONDS
gets_table || : >"$work/gets.out"
calibrate=calibrate
: >"$work/times"
for ((n = 1; n <= trials; n++)); do
  for kb in "${stores[@]}"; do
    boot "$kb" $calibrate
    calibrate=""
  done
done
out=$work
[ -s "$out/calibration" ] && [ -s "$out/times" ] || { echo "vm_start: no figures from the VM" >&2; exit 1; }

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
times() { awk -v kind="$1" -v kb="$2" '$1 == kind && $2 == kb { printf "%.3f\n", $3 / 1e9 }' "$out/times"; }
echo "MIPS VM: $(paste -sd, "$repo/build/vm-cache/versions" 2>/dev/null | sed 's/,/, /g' || echo Debian mipsel), qemu-system-mipsel -M malta"
echo "  -icount shift=1,sleep=off -rtc clock=vm; $((trials * ${#stores[@]})) boots, $((SECONDS - started)) s of this machine's time"
echo
echo "Calibration (guest time of one item; 2 ns of guest time per emulated instruction):"
awk '
  function show(name, seconds) {
    if (seconds < 1e-6) printf "  %-34s %10.1f ns\n", name, seconds * 1e9
    else if (seconds < 1e-3) printf "  %-34s %10.2f us\n", name, seconds * 1e6
    else printf "  %-34s %10.3f ms\n", name, seconds * 1e3
  }
  $1 == "loop_iteration" { show("loop iteration (3 instructions)", $3); printf "  %-34s %10.3f s\n", "100 M loop iterations", $3 * $2 }
  $1 == "getppid" { show("getppid (a system call)", $3) }
  $1 == "memcpy_64k" { show("memcpy of 64 KB", $3) }
  $1 == "pread_64k" { show("pread of 64 KB", $3) }
  $1 == "open_pread_4k_close" { show("open, pread of 4 KB, close", $3) }
  $1 == "sh_c_true" { show("sh -c true", $3) }
' "$out/calibration"
echo
echo "wlan start, $ssids SSIDs, $trials trials each, qd_rc and replay alternating (guest seconds, median):"
printf '  %-8s %-22s %-30s %s\n' store "qd_rc wlan start" "replay of its shell lines" "qd_rc / replay"
for kb in "${stores[@]}"; do
  qd=$(times qd_rc "$kb" | median)
  replay=$(times replay "$kb" | median)
  lines=$(<"$out/lines$kb")
  printf '  %-8s %-22s %-30s %s\n' "$kb KB" "$qd ($(times qd_rc "$kb" | sort -g | sed -n '1p;$p' | paste -sd-))" \
    "$replay ($lines lines, $(awk -v r="$replay" -v n="$lines" 'BEGIN { printf "%.3f", r / n }') a line)" \
    "$(awk -v q="$qd" -v r="$replay" 'BEGIN { printf "%.2f", q / r }')"
done
echo "  (first qd_rc runs, unmeasured: $(awk '$1 == "first" { printf "%s KB %.3f  ", $2, $3 / 1e9 }' "$out/times"))"

echo
echo "Where a get goes, microseconds of guest time per call (bench/vm_gets.cpp; the key near the"
echo "start, near the end, absent; a get of an absent key reads the working copy and then the image):"
awk '
  { t[$1, $2] = $4 * 1e6; if (!($1 in seen)) { seen[$1] = 1; order[++n] = $1 } }
  END {
    if (!n) { print "  (no figures: the boot failed)"; exit }
    printf "  %-7s %10s %6s %6s %7s | %-22s | %-22s | %s\n", "store", "open+close", "lock", "fstat", "pread",
      "search start/end/absent", "get start/end/absent", "absent get / pread"
    for (i = 1; i <= n; i++) {
      k = order[i]
      printf "  %4d KB %10.1f %6.1f %6.1f %7.1f | %6.1f %7.1f %7.1f | %6.1f %7.1f %7.1f | %.2f\n", k,
        t[k, "open_close"], t[k, "lock_unlock"], t[k, "fstat"], t[k, "pread"], t[k, "walk_start"],
        t[k, "walk_end"], t[k, "walk_absent"], t[k, "get_start"], t[k, "get_end"], t[k, "get_absent"],
        t[k, "get_absent"] / t[k, "pread"]
    }
  }
' "$out/gets.out"
