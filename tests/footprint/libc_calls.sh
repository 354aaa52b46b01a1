#!/usr/bin/env bash
# The C library functions that qd_rc calls (its undefined dynamic symbols, read with the
# target's nm; the start files' __libc_start_main and weak references left out) against the
# list in docs/integration.md, the fenced block after the line "<!-- C library calls -->".
#   libc_calls.sh NM BINARY DOC             the two lists must be equal (the build the list is
#                                           taken from)
#   libc_calls.sh --variants NM BINARY DOC  every call must be on the list, once the variants
#                                           that build flags make are read as the function they
#                                           stand for: __X_chk (_FORTIFY_SOURCE), X64
#                                           (_FILE_OFFSET_BITS=64), __stack_chk_* (the stack
#                                           protector's)
set -euo pipefail
variants=no
if [ "${1:-}" = --variants ]; then
  variants=yes
  shift
fi
(($# == 3)) || { echo "usage: libc_calls.sh [--variants] NM BINARY DOC" >&2; exit 2; }
nm=$1 binary=$2 doc=$3

documented=$(awk '/^<!-- C library calls -->$/ { list = 1; next } list && /^```/ { if (++fences == 2) exit; next }
  fences == 1 { print }' "$doc" | tr -s ' ' '\n' | sed '/^$/d' | sort -u)
[ -n "$documented" ] || { echo "$doc: no list after <!-- C library calls -->"; exit 1; }
called=$("$nm" -D --undefined-only "$binary" | awk '$1 == "U" { sub(/@.*/, "", $2); print $2 }' |
  grep -vx '__libc_start_main' | sort -u)
if [ "$variants" = yes ]; then
  called=$(sed -E '/^__stack_chk_(fail|guard)$/d; s/^__(.*)_chk$/\1/; s/64$//' <<<"$called" | sort -u)
  extra=$(comm -13 <(echo "$documented") <(echo "$called"))
  [ -z "$extra" ] || { echo "called, not in $doc:" $extra; exit 1; }
else
  if [ "$documented" != "$called" ]; then
    echo "called, not in $doc:" $(comm -13 <(echo "$documented") <(echo "$called"))
    echo "in $doc, not called:" $(comm -23 <(echo "$documented") <(echo "$called"))
    exit 1
  fi
fi
echo "$(wc -l <<<"$called") C library functions, all in $doc"
