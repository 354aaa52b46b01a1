#!/usr/bin/env bash
# qd_rc built and installed for a little-endian MIPS board as a firmware build system does it:
# that system's CMake call (generator, build type or none, its flags, the package's own options
# read from packaging/), its build and install commands, in a fresh build folder, with a
# toolchain file written here as the system writes its own (OpenWrt writes none: it passes the
# same settings on the command line). Debian's mipsel cross compiler stands in for each
# system's, so its own compiler options are left out (OpenWrt's -fhonour-copts, Yocto's
# --sysroot), as are the folders of its staging tree (-L, prefix maps).
#
#   buildroot  pkg-cmake of a current Buildroot with its default configuration: Unix Makefiles,
#              Release, the toolchain file's per-type flags "" and " -DNDEBUG", TARGET_CFLAGS
#              with the large-file flags, -O2 -g0 and the default security hardening (PIE,
#              -fstack-protector-strong, full RELRO, -D_FORTIFY_SOURCE=1),
#              `make install/fast DESTDIR=...`.
#   openwrt    include/cmake.mk with OpenWrt's defaults for a 24Kc board (ramips): Ninja
#              (PKG_USE_NINJA), Release with CMAKE_<LANG>_FLAGS_RELEASE=-DNDEBUG, CFLAGS from
#              TARGET_CFLAGS: CONFIG_TARGET_OPTIMIZATION "-Os -pipe -mno-branch-likely
#              -mips32r2 -mtune=24kc", CONFIG_EXTRA_OPTIMIZATION "-fno-caller-saves -fno-plt"
#              and include/hardening.mk's defaults (-Wformat -Werror=format-security,
#              -fstack-protector, -D_FORTIFY_SOURCE=1, full RELRO "-Wl,-z,now -Wl,-z,relro"
#              in TARGET_CFLAGS and "-znow -zrelro" in TARGET_LDFLAGS, no PIE for a package that
#              does not ask for it), CMAKE_STRIP=:, `DESTDIR=... ninja install`.
#   yocto      cmake.bbclass with poky's defaults (security_flags.inc) for a mips32r2el tune
#              and usrmerge: Ninja, no CMAKE_BUILD_TYPE, toolchain.cmake with OECMAKE_C_FLAGS
#              (TUNE_CCARGS, -O2 -pipe -g, -fstack-protector-strong -D_FORTIFY_SOURCE=2,
#              format checks) and OECMAKE_C_LINK_FLAGS (-Wl,-O1 -Wl,--as-needed,
#              -Wl,-z,relro,-z,now; no --hash-style=gnu on MIPS), the install folders as
#              cmake.bbclass passes them, `cmake --build B --target all`, then
#              `DESTDIR=D cmake --build B --target install`; base_sbindir is /usr/sbin.
#
# Then: the install holds qd_rc in the system's sbin and nothing else (the settings tool stays
# off the board); qd_rc is a fixed-address mipsel executable of position-dependent code, linked
# with the full RELRO that the system asked for, that needs the C library only (and its
# loader), runs itself from the folder it is installed in, calls only C library functions that
# docs/integration.md lists, starts, and is within BUDGET bytes stripped.
# Usage: firmware_build.sh buildroot|openwrt|yocto SOURCE_DIR WORK_DIR BUDGET
set -uo pipefail
system=$1 source=$(realpath "$2") work=$(realpath -m "$3") budget=$4
build=$work/build dest=$work/dest toolchain=$work/toolchain.cmake
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
# The options that the package passes, as its recipe in packaging/ writes them.
package_options() { sed -n "s/^$2[ :+]*= *//p" "$source/packaging/$1" | tr -d '"'; }
compilers="set(CMAKE_C_COMPILER mipsel-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER mipsel-linux-gnu-g++)"
find_modes="set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)"

case "$system" in
buildroot)
  sbin=/sbin
  cflags="-D_LARGEFILE_SOURCE -D_LARGEFILE64_SOURCE -D_FILE_OFFSET_BITS=64 -O2 -g0 -fPIE -fstack-protector-strong"
  cflags+=" -Wl,-z,now -Wl,-z,relro -D_FORTIFY_SOURCE=1"
  cat >"$toolchain" <<EOF
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR mipsel)
set(CMAKE_C_FLAGS "$cflags \${CMAKE_C_FLAGS}" CACHE STRING "Buildroot CFLAGS")
set(CMAKE_CXX_FLAGS "$cflags \${CMAKE_CXX_FLAGS}" CACHE STRING "Buildroot CXXFLAGS")
set(CMAKE_EXE_LINKER_FLAGS "-Wl,-z,now -Wl,-z,relro -pie" CACHE STRING "Buildroot LDFLAGS for executables")
set(CMAKE_C_FLAGS_DEBUG "" CACHE STRING "Debug CFLAGS")
set(CMAKE_CXX_FLAGS_DEBUG "" CACHE STRING "Debug CXXFLAGS")
set(CMAKE_C_FLAGS_RELEASE " -DNDEBUG" CACHE STRING "Release CFLAGS")
set(CMAKE_CXX_FLAGS_RELEASE " -DNDEBUG" CACHE STRING "Release CXXFLAGS")
set(CMAKE_INSTALL_SO_NO_EXE 0)
set(CMAKE_FIND_ROOT_PATH /usr/mipsel-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
$find_modes
$compilers
EOF
  # shellcheck disable=SC2046 # the package's options are words
  run configure cmake "$source" -B "$build" -G "Unix Makefiles" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_COLOR_MAKEFILE=OFF -DBUILD_DOC=OFF -DBUILD_DOCS=OFF -DBUILD_EXAMPLE=OFF \
    -DBUILD_EXAMPLES=OFF -DBUILD_TEST=OFF -DBUILD_TESTS=OFF -DBUILD_TESTING=OFF -DBUILD_SHARED_LIBS=ON \
    -DCMAKE_BUILD_TYPE=Release $(package_options buildroot/qd-rc/qd-rc.mk QD_RC_CONF_OPTS)
  run build make -C "$build" -j2
  run install make -C "$build" DESTDIR="$dest" install/fast
  ;;
openwrt)
  sbin=/sbin
  cflags="-Os -pipe -mno-branch-likely -mips32r2 -mtune=24kc -fno-caller-saves -fno-plt -Wformat -Werror=format-security"
  cflags+=" -fstack-protector -D_FORTIFY_SOURCE=1 -Wl,-z,now -Wl,-z,relro"
  ldflags="-znow -zrelro"
  # shellcheck disable=SC2046 # the package's options are words
  CFLAGS=$cflags CXXFLAGS=$cflags LDFLAGS=$ldflags run configure cmake --no-warn-unused-cli -G Ninja \
    -DCMAKE_SYSTEM_NAME=Linux -DCMAKE_SYSTEM_VERSION=1 -DCMAKE_SYSTEM_PROCESSOR=mipsel -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_C_FLAGS_RELEASE=-DNDEBUG -DCMAKE_CXX_FLAGS_RELEASE=-DNDEBUG -DCMAKE_C_COMPILER=mipsel-linux-gnu-gcc \
    -DCMAKE_CXX_COMPILER=mipsel-linux-gnu-g++ -DCMAKE_EXE_LINKER_FLAGS:STRING="$ldflags" \
    -DCMAKE_MODULE_LINKER_FLAGS:STRING="$ldflags -Wl,-Bsymbolic-functions" \
    -DCMAKE_SHARED_LINKER_FLAGS:STRING="$ldflags -Wl,-Bsymbolic-functions" -DCMAKE_AR="$(command -v mipsel-linux-gnu-gcc-ar)" \
    -DCMAKE_NM="$(command -v mipsel-linux-gnu-gcc-nm)" -DCMAKE_RANLIB="$(command -v mipsel-linux-gnu-gcc-ranlib)" \
    -DCMAKE_FIND_ROOT_PATH=/usr/mipsel-linux-gnu -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=BOTH \
    -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY -DCMAKE_STRIP=: \
    -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_SKIP_RPATH=TRUE -DCMAKE_EXPORT_PACKAGE_REGISTRY=FALSE \
    -DCMAKE_EXPORT_NO_PACKAGE_REGISTRY=TRUE -DCMAKE_FIND_USE_PACKAGE_REGISTRY=FALSE \
    -DCMAKE_FIND_USE_SYSTEM_PACKAGE_REGISTRY=FALSE $(package_options openwrt/qd-rc/Makefile CMAKE_OPTIONS) \
    -S "$source" -B "$build"
  run build ninja -C "$build" -j2
  DESTDIR=$dest run install ninja -C "$build" install
  ;;
yocto)
  sbin=/usr/sbin # base_sbindir with usrmerge
  arch="-mel -mabi=32 -mhard-float -march=mips32r2"
  cflags="$arch -O2 -pipe -g -feliminate-unused-debug-types -fstack-protector-strong -O2 -D_FORTIFY_SOURCE=2"
  cflags+=" -Wformat -Wformat-security -Werror=format-security"
  ldflags="-Wl,-O1 -Wl,--as-needed -Wl,-z,relro,-z,now"
  cat >"$toolchain" <<EOF
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR mipsel)
$compilers
set(CMAKE_C_FLAGS "$cflags" CACHE STRING "CFLAGS")
set(CMAKE_CXX_FLAGS "$cflags" CACHE STRING "CXXFLAGS")
set(CMAKE_C_FLAGS_RELEASE "-DNDEBUG" CACHE STRING "Additional CFLAGS for release")
set(CMAKE_CXX_FLAGS_RELEASE "-DNDEBUG" CACHE STRING "Additional CXXFLAGS for release")
set(CMAKE_C_LINK_FLAGS "$arch $ldflags" CACHE STRING "LDFLAGS")
set(CMAKE_CXX_LINK_FLAGS "$cflags $ldflags" CACHE STRING "LDFLAGS")
# The build machine's root stands for STAGING_DIR_NATIVE and HOSTTOOLS_DIR (ninja, the cross tools).
set(CMAKE_FIND_ROOT_PATH /usr/mipsel-linux-gnu /)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM ONLY)
$find_modes
set(CMAKE_PROGRAM_PATH "/")
set(CMAKE_BUILD_RPATH_USE_ORIGIN ON)
EOF
  options=$(package_options yocto/qd-rc.bb EXTRA_OECMAKE)
  # shellcheck disable=SC2086 # the package's options are words
  run configure cmake -G Ninja "$source" -B "$build" -DCMAKE_INSTALL_PREFIX:PATH=/usr -DCMAKE_INSTALL_BINDIR:PATH=bin \
    -DCMAKE_INSTALL_SBINDIR:PATH=sbin -DCMAKE_INSTALL_LIBEXECDIR:PATH=libexec -DCMAKE_INSTALL_SYSCONFDIR:PATH=/etc \
    -DCMAKE_INSTALL_SHAREDSTATEDIR:PATH=../com -DCMAKE_INSTALL_LOCALSTATEDIR:PATH=/var \
    -DCMAKE_INSTALL_LIBDIR:PATH=lib -DCMAKE_INSTALL_INCLUDEDIR:PATH=include -DCMAKE_INSTALL_DATAROOTDIR:PATH=share \
    -DLIB_SUFFIX= -DCMAKE_INSTALL_SO_NO_EXE=0 -DCMAKE_TOOLCHAIN_FILE:FILEPATH="$toolchain" \
    -DCMAKE_NO_SYSTEM_FROM_IMPORTED=1 -DCMAKE_EXPORT_NO_PACKAGE_REGISTRY=ON -DFETCHCONTENT_FULLY_DISCONNECTED=ON \
    -DCMAKE_EXPORT_COMPILE_COMMANDS:BOOL=ON ${options//'${base_sbindir}'/$sbin} -Wno-dev
  run build cmake --build "$build" --target all -- -j2
  DESTDIR=$dest run install cmake --build "$build" --target install
  ;;
*) echo "usage: firmware_build.sh buildroot|openwrt|yocto SOURCE_DIR WORK_DIR BUDGET" >&2; exit 2 ;;
esac

program=$dest$sbin/qd_rc
landed=$(cd "$dest" && find . -type f -o -type l | sort | paste -sd' ')
[ "$landed" = ".$sbin/qd_rc" ] || fail "the install must be $sbin/qd_rc alone, it is: $landed"
[ -x "$program" ] || exit 1
header=$(mipsel-linux-gnu-readelf -h "$program")
grep -q "Machine: *MIPS" <<<"$header" && grep -q "little endian" <<<"$header" || fail "not a mipsel program"
grep -q "Type: *EXEC" <<<"$header" || fail "not a fixed-address executable: $(grep Type: <<<"$header")"
# Position-dependent code all through (the link-time optimisation's too): the GOT stays a few
# words. Code compiled as PIE holds data of some 4 KB, which the page rounding of a hardened
# file may hide from the size.
read -r _ data _ < <(mipsel-linux-gnu-size "$program" | tail -1)
((data < 1024)) || fail "$data bytes of data: position-independent code in a fixed-address program"
segments=$(mipsel-linux-gnu-readelf -lW "$program") dynamic=$(mipsel-linux-gnu-readelf -d "$program")
grep -q GNU_RELRO <<<"$segments" && grep -q "BIND_NOW\|FLAGS.*NOW" <<<"$dynamic" ||
  fail "not linked with full RELRO, as the system asks"
needed=$(sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' <<<"$dynamic" | paste -sd' ')
for library in $needed; do
  [[ $library =~ ^(libc\.so(\.[0-9]+)?|ld([.-].*)?\.so(\.[0-9]+)?)$ ]] || fail "needs $library (NEEDED: $needed)"
done
self=$(strings -a "$program" | grep -E '^/([^ ]*/)?qd_rc wlan ' | sort -u | paste -sd,)
[ "$self" = "$sbin/qd_rc wlan addER,$sbin/qd_rc wlan mac_init,$sbin/qd_rc wlan unconfig" ] ||
  fail "the program does not run itself from $sbin: $self"
bash "$source/tests/footprint/libc_calls.sh" --variants mipsel-linux-gnu-nm "$program" "$source/docs/integration.md" ||
  fail "calls C library functions that docs/integration.md does not list"
# It starts (its segments as the loader maps them), under the emulator where there is one.
if command -v qemu-mipsel-static >/dev/null; then
  usage=$(qemu-mipsel-static -L /usr/mipsel-linux-gnu "$program" 2>&1)
  [[ $usage == "usage: qd_rc "* ]] || fail "does not start: $usage"
fi
mipsel-linux-gnu-strip -o "$work/qd_rc.stripped" "$program"
size=$(stat -c %s "$work/qd_rc.stripped")
((size <= budget)) || fail "stripped qd_rc is $size bytes, over $budget"
echo "$system: $sbin/qd_rc stripped $size bytes (budget $budget), NEEDED: $needed"
((failures == 0)) || exit 1
echo "all checks passed"
