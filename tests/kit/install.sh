#!/usr/bin/env bash
# cmake --install of a build into a scratch DESTDIR, with the prefixes that firmware build systems
# use: qd_rc lands in /sbin whatever the prefix (it runs itself as /sbin/qd_rc), qd_nvram_tool
# in <prefix>/bin, the docs in <prefix>/share/doc/qd_rc, and nothing else.
# Usage: install.sh BUILD_DIR
set -uo pipefail
build=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/qd-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
for prefix in /usr /opt/gateway; do
  dest=$work/${prefix//\//_}
  DESTDIR=$dest cmake --install "$build" --prefix "$prefix" >"$work/log" 2>&1 || { fail "install: $(cat "$work/log")"; continue; }
  (cd "$dest" && find . -type f | sort) >"$work/landed"
  docs=$(cd "$build" && sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' CMakeCache.txt)
  {
    echo "./sbin/qd_rc"
    echo ".$prefix/bin/qd_nvram_tool"
    (cd "$docs" && ls README.md docs/*.md docs/*.svg 2>/dev/null) | sed "s|^docs/||; s|^|.$prefix/share/doc/qd_rc/|"
  } | sort >"$work/expected"
  diff -u "$work/expected" "$work/landed" || fail "prefix $prefix: files landed elsewhere"
done
((failures == 0)) || exit 1
echo "all checks passed"
