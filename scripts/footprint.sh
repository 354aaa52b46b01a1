#!/usr/bin/env bash
# Prints the footprint of the qd_rc binary of the release builds (host, big-endian MIPS,
# little-endian MIPS) as a Markdown table: text, data and bss as the target's `size` reports
# them, and the size of the stripped file. Builds the presets' qd_rc first.
# Usage: bash scripts/footprint.sh [preset...]   (default: release mips-release mipsel-release)
set -euo pipefail
cd "$(dirname "$0")/.."

for preset in "$@"; do
  [ -f "CMakePresets.json" ] && grep -q "\"name\": \"$preset\"" CMakePresets.json ||
    { echo "usage: scripts/footprint.sh [preset...]   ($preset is no preset)" >&2; exit 2; }
done
presets=("$@")
((${#presets[@]})) || presets=(release mips-release mipsel-release)

# Binutils prefix of a preset's target, read from its CMake cache.
prefix_of() {
  local strip
  strip=$(sed -n 's/^CMAKE_STRIP:FILEPATH=//p' "build/$1/CMakeCache.txt")
  strip=${strip##*/}
  echo "${strip%strip}"
}

stripped=$(mktemp)
trap 'rm -f "$stripped"' EXIT
echo "| build | text | data | bss | stripped file |"
echo "|---|---:|---:|---:|---:|"
for preset in "${presets[@]}"; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target qd_rc -j"$(nproc)" >/dev/null
  prefix=$(prefix_of "$preset")
  "${prefix}strip" -o "$stripped" "build/$preset/src/qd_rc"
  read -r text data bss _ < <("${prefix}size" "$stripped" | tail -1)
  echo "| $preset | $text | $data | $bss | $(stat -c %s "$stripped") |"
done
