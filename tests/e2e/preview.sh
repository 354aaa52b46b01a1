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
same_as_preview sim "$example" "${commands[@]}"
finish
