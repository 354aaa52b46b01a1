#!/usr/bin/env bash
# qd_rc built and installed as a firmware build system does it, with a toolchain file of its own
# (tests/kit/mipsel-linux-gnu.cmake) in a fresh build folder:
#   buildroot  Unix Makefiles, Release, BUILD_TESTING=OFF, prefix /usr, make install/fast DESTDIR=...
#   openwrt    Ninja, Release with OpenWrt's -Os -D_FORTIFY_SOURCE=1 -fstack-protector flags,
#              prefix /usr, DESTDIR=... ninja install
# Then: qd_rc in /sbin, a fixed-address mipsel executable that needs the C library only (and its
# loader), stripped within BUDGET bytes; qd_nvram_tool in /usr/bin; the docs in
# /usr/share/doc/qd_rc. Usage: firmware_build.sh buildroot|openwrt SOURCE_DIR WORK_DIR BUDGET
set -uo pipefail
style=$1 source=$2 work=$3 budget=$4
toolchain=$source/tests/kit/mipsel-linux-gnu.cmake
build=$work/build dest=$work/dest
rm -rf "$work"
mkdir -p "$work"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# run WHAT COMMAND...: the command's output goes to the log, shown when it fails.
run() {
  local what=$1
  shift
  "$@" >"$work/log" 2>&1 || { fail "$what: $*"; tail -30 "$work/log"; exit 1; }
}

case "$style" in
buildroot)
  run configure cmake -S "$source" -B "$build" -G "Unix Makefiles" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_BUILD_TYPE=Release -DCMAKE_COLOR_MAKEFILE=OFF -DBUILD_DOC=OFF \
    -DBUILD_EXAMPLE=OFF -DBUILD_TESTS=OFF -DBUILD_TESTING=OFF -DBUILD_SHARED_LIBS=OFF \
    "-DCMAKE_C_FLAGS=-D_LARGEFILE_SOURCE -D_LARGEFILE64_SOURCE -D_FILE_OFFSET_BITS=64 -O2 -g0" \
    "-DCMAKE_CXX_FLAGS=-D_LARGEFILE_SOURCE -D_LARGEFILE64_SOURCE -D_FILE_OFFSET_BITS=64 -O2 -g0"
  run build make -C "$build" -j"$(nproc)"
  run install make -C "$build" DESTDIR="$dest" install/fast
  ;;
openwrt)
  flags="-Os -pipe -mips32r2 -mtune=24kc -fno-caller-saves -Wformat -Werror=format-security"
  flags+=" -D_FORTIFY_SOURCE=1 -fstack-protector"
  run configure cmake -S "$source" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS_RELEASE=-DNDEBUG \
    -DCMAKE_CXX_FLAGS_RELEASE=-DNDEBUG "-DCMAKE_C_FLAGS=$flags" "-DCMAKE_CXX_FLAGS=$flags"
  run build ninja -C "$build"
  DESTDIR=$dest run install ninja -C "$build" install
  ;;
*) echo "usage: firmware_build.sh buildroot|openwrt SOURCE_DIR WORK_DIR BUDGET" >&2; exit 2 ;;
esac

program=$dest/sbin/qd_rc
[ -x "$program" ] || fail "qd_rc is not in /sbin: $(cd "$dest" && find . -name qd_rc)"
[ -x "$dest/usr/bin/qd_nvram_tool" ] || fail "qd_nvram_tool is not in /usr/bin"
[ -f "$dest/usr/share/doc/qd_rc/README.md" ] && [ -f "$dest/usr/share/doc/qd_rc/integration.md" ] ||
  fail "the docs are not in /usr/share/doc/qd_rc"
[ ! -e "$build/tests" ] || fail "tests were configured"
header=$(mipsel-linux-gnu-readelf -h "$program")
grep -q "Machine: *MIPS" <<<"$header" && grep -q "little endian" <<<"$header" || fail "not a mipsel program"
grep -q "Type: *EXEC" <<<"$header" || fail "not a fixed-address executable: $(grep Type: <<<"$header")"
needed=$(mipsel-linux-gnu-readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | paste -sd' ')
for library in $needed; do
  [[ $library =~ ^(libc\.so(\.[0-9]+)?|ld([.-].*)?\.so(\.[0-9]+)?)$ ]] || fail "needs $library (NEEDED: $needed)"
done
mipsel-linux-gnu-strip -o "$work/qd_rc.stripped" "$program"
size=$(stat -c %s "$work/qd_rc.stripped")
((size <= budget)) || fail "stripped qd_rc is $size bytes, over $budget"
echo "$style: /sbin/qd_rc stripped $size bytes (budget $budget), NEEDED: $needed"
((failures == 0)) || exit 1
echo "all checks passed"
