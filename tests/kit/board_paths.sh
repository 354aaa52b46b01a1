#!/usr/bin/env bash
# The paths that qd_rc uses on the board, taken from the two headers that name them all
# (src/wlan/driver.h: command lines; src/platform/paths.h: files it opens or starts), against
# the table of docs/integration.md (first column of the rows "| `/...` |" after the line
# "<!-- Board paths -->"), so that the table cannot miss a path or keep one that went.
# SBINDIR stands for QD_SBINDIR, the folder of the program's own path.
# Usage: board_paths.sh SOURCE_DIR SBINDIR
set -euo pipefail
source=$1 sbindir=$2
doc=$source/docs/integration.md

# Every absolute path in the string constants: a word that begins with "/" at the start of a
# literal, after a blank or after a redirection.
used=$(grep -h '^inline constexpr char' "$source/src/wlan/driver.h" "$source/src/platform/paths.h" |
  sed "s|QD_SBINDIR \"|\"$sbindir|" | grep -o '"[^"]*"' | grep -oE '(^"|[ >])/[^ "&]*' | sed 's/^["> ]//' | sort -u)
documented=$(sed -n '/^<!-- Board paths -->$/,/^$/p' "$doc" | sed -n 's/^| `\(\/[^`]*\)`.*/\1/p' | sort -u)
[ -n "$documented" ] || { echo "$doc: no table after <!-- Board paths -->"; exit 1; }
if [ "$used" != "$documented" ]; then
  echo "used, not in $doc:" $(comm -23 <(echo "$used") <(echo "$documented"))
  echo "in $doc, not used:" $(comm -13 <(echo "$used") <(echo "$documented"))
  exit 1
fi
echo "$(wc -l <<<"$used") paths, all in $doc"
