#!/usr/bin/env bash
# The preview of qd_nvram_tool against the simulated gateway: for an example's settings and the
# same commands, the preview's report equals what the simulator records of the real binary
# (exit status, standard output and error, every shell line, the working copy's changes, the
# driver profile), rendered in the preview's layout. The console is left out: in the simulator
# it also holds what the commands print.
# Argument: the name of a settings file under examples/.
. "$(dirname "$0")/lib.sh"

example=$(cd "$(dirname "$0")/../../examples" && pwd)/${1:?which example}.settings
commands=('wlan start' 'wlan clientPBC' 'wlan wpsled_on' 'show' 'wlan stop')
simulate sim --settings "$example" -- "${commands[@]}"
"$QD_NVRAM_TOOL" preview "$example" "${commands[@]}" >"$work/preview" || fail "preview failed"

# show_lines, as the simulator's report shows the shell lines.
. "$(dirname "$0")/../../sim/launcher.sh"
indent() { while IFS= read -r line || [ -n "$line" ]; do printf '   %s\n' "$line"; done <"$1"; }
show_file() { if [ -s "$1" ]; then indent "$1"; else echo "   ($2)"; fi; }
entries() { "$QD_NVRAM_TOOL" dump "$1" | grep -v '^#' || true; }
# The entries that went, in their old order, then those that came, in their new order.
changes() {
  entries "$1" >"$work/before"
  entries "$2" >"$work/after"
  awk 'FILENAME == ARGV[1] { before[++old] = $0; was[$0] = 1; next }
       { after[++new] = $0; is[$0] = 1 }
       END { for (i = 1; i <= old; i++) if (!(before[i] in is)) { print "   - " before[i]; n++ }
             for (i = 1; i <= new; i++) if (!(after[i] in was)) { print "   + " after[i]; n++ }
             if (!n) print "   (none)" }' "$work/before" "$work/after"
}

"$QD_NVRAM_TOOL" working "$example" "$work/nvram.0"
previous=$work/nvram.0
{
  for ((step = 1; step <= ${#commands[@]}; step++)); do
    d=$st/$step
    printf '\n== %d. qd_rc %s   (exit status %s)\n' "$step" "$(<"$d/command")" "$(<"$d/status")"
    printf '\n-- standard output\n'; show_file "$d/stdout" empty
    printf '\n-- standard error\n'; show_file "$d/stderr" empty
    printf '\n-- shell lines\n'; show_lines "$d/shell"
    printf '\n-- settings working copy changes\n'; changes "$previous" "$d/nvram"
    previous=$d/nvram
  done
  printf '\n== the gateway after the last command\n'
  printf '\n-- driver profile /etc/Wireless/RT2860/RT2860.dat\n'
  show_file "$R/etc/Wireless/RT2860/RT2860.dat" "not written"
} >"$work/simulated"

# The preview without its first line and its console sections.
awk 'NR == 1 { next } /^-- console/ { skip = 1; next } /^(-- |== )/ { skip = 0 } skip && !length($0) { next } !skip' \
  "$work/preview" >"$work/previewed"
if ! cmp -s "$work/simulated" "$work/previewed"; then
  fail "the preview differs from the simulated gateway"
  diff -u "$work/simulated" "$work/previewed" | head -40
fi
finish
