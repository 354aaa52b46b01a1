#!/usr/bin/env bash
# cmake --install of a host build into a scratch DESTDIR, with the prefixes that firmware build
# systems use, whole and by component: runtime is qd_rc in QD_SBINDIR whatever the prefix (it
# runs itself from there); tools is qd_nvram_tool in <prefix>/bin and the docs in
# <prefix>/share/doc/qd_rc; nothing else lands.
# Usage: install.sh BUILD_DIR
set -uo pipefail
build=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/qd-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
cache() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
source=$(cache CMAKE_HOME_DIRECTORY) sbindir=$(cache QD_SBINDIR)
for prefix in /usr /opt/gateway; do
  runtime=".$sbindir/qd_rc"
  tools=$(
    echo ".$prefix/bin/qd_nvram_tool"
    (cd "$source" && ls README.md docs/*.md docs/*.svg) | sed "s|^docs/||; s|^|.$prefix/share/doc/qd_rc/|"
  )
  for component in all runtime tools; do
    dest=$work/${prefix//\//_}.$component
    option=()
    [ "$component" = all ] || option=(--component "$component")
    DESTDIR=$dest cmake --install "$build" --prefix "$prefix" "${option[@]}" >"$work/log" 2>&1 ||
      { fail "install: $(cat "$work/log")"; continue; }
    case $component in
    all) expected="$runtime"$'\n'"$tools" ;;
    runtime) expected=$runtime ;;
    tools) expected=$tools ;;
    esac
    diff -u <(sort <<<"$expected") <(cd "$dest" && find . -type f | sort) ||
      fail "prefix $prefix, $component: files landed elsewhere"
  done
done
((failures == 0)) || exit 1
echo "all checks passed"
