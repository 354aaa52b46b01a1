#!/usr/bin/env bash
# Builds qd_rc and shows what `qd_rc wlan start` does to a four-SSID home gateway: the
# simulated gateway runs the real binary and prints the console, the shell lines, the driver
# profile, bridges, links, driver state, daemons and LED (see docs/simulator.md).
set -euo pipefail
cd "$(dirname "$0")/.."
(($# == 0)) || { echo "usage: scripts/demo.sh   (for other settings: sim/qd-sim --settings FILE -- COMMAND...)" >&2; exit 2; }
bash scripts/deps.sh
cmake --preset release >/dev/null && cmake --build --preset release -j"$(nproc)" >/dev/null
sim/qd-sim --qd-rc build/release/src/qd_rc --tool build/release/tools/qd_nvram_tool \
  --settings examples/home_gateway.settings -- 'wlan start'
