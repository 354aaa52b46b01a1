#!/usr/bin/env bash
# clang-tidy 14 finds nothing in the program's sources (the checks of .clang-tidy at the top),
# each file compiled as the build's compile database says; the headers are checked through
# the files that include them.
#   tidy.sh CLANG_TIDY BUILD_DIR SRC_DIR
set -euo pipefail
tidy=$1 build=$2 src=$3
if ! "$tidy" --version 2>/dev/null | grep -q 'version 14\.'; then
  echo "clang-tidy 14 not found (${tidy}); scripts/deps.sh installs it"
  exit 1
fi
[ -f "$build/compile_commands.json" ] || { echo "no compile database in $build"; exit 1; }
mapfile -t files < <(find "$src" -name '*.cpp' | sort)
for file in "${files[@]}"; do
  grep -qF "\"$file\"" "$build/compile_commands.json" || { echo "not in the compile database: $file"; exit 1; }
done
# Two at a time; any finding fails its file, and so the test. The counts of the diagnostics
# that the checks leave out (system headers) are dropped from the output.
printf '%s\0' "${files[@]}" |
  xargs -0 -n 1 -P 2 "$tidy" -p "$build" --quiet --warnings-as-errors='*' 2>&1 |
  { grep -v -E '^[0-9]+ (warnings?|warnings? and [0-9]+ errors?|errors?) generated\.$' || true; }
echo "tidy: ${#files[@]} files of $src without a finding"
