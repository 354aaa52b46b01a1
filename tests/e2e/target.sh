#!/usr/bin/env bash
# The big-endian MIPS build in the simulated gateway, under qemu-user: for the example
# settings it must write the same driver profile, run the same shell lines (children
# included), print the same and exit the same as this build's host binary.
# Environment besides lib.sh's: QD_RC_TARGET (the MIPS qd_rc; the test is skipped when it is
# not built), QD_EMULATOR (qemu-mips-static), QD_SYSROOT (the MIPS C library's folder).
# Argument: the name of a settings file under examples/.
. "$(dirname "$0")/lib.sh"

example=$(cd "$(dirname "$0")/../../examples" && pwd)/${1:?which example}.settings
if [ ! -x "${QD_RC_TARGET:-}" ] || [ ! -x "${QD_EMULATOR:-}" ] || [ ! -d "${QD_SYSROOT:-}/lib" ]; then
  echo "SKIP: no MIPS build of qd_rc (cmake --build --preset mips-release) or no qemu-mips-static"
  exit 77
fi

# Without the emulator the simulator refuses the binary and says why.
if "$QD_SIM" --qd-rc "$QD_RC_TARGET" -- show >"$work/refused" 2>&1 ||
  ! grep -q "is built for MIPS.*give --emulator" "$work/refused"; then
  fail "qd-sim ran a MIPS binary without --emulator: $(cat "$work/refused")"
fi

commands=('wlan start' 'show' 'wlan stop')
# No working copy: the settings reach qd_rc only through the image that it loads at start,
# whose header is little-endian on every processor.
store=(--settings "$example" --working none)
simulate host "${store[@]}" -- "${commands[@]}"
host=$R
simulate target --qd-rc "$QD_RC_TARGET" --emulator "$QD_EMULATOR" --sysroot "$QD_SYSROOT" \
  "${store[@]}" -- "${commands[@]}"
target=$R

profile=etc/Wireless/RT2860/RT2860.dat
[ -s "$host/$profile" ] || fail "the host binary wrote no profile"
cmp -s "$host/$profile" "$target/$profile" || {
  fail "driver profiles differ"
  diff "$host/$profile" "$target/$profile" | head -20 || true
}
for step in 1 2 3; do
  for record in shell stdout status nvram; do
    cmp -s "$host/sim/steps/$step/$record" "$target/sim/steps/$step/$record" || {
      fail "step $step (${commands[step - 1]}): $record differs"
      diff <(tr '\0' '\n' <"$host/sim/steps/$step/$record") <(tr '\0' '\n' <"$target/sim/steps/$step/$record") | head -20 || true
    }
  done
done
diff -r "$host/sim/after" "$target/sim/after" || fail "the gateway's state afterwards differs"
finish
