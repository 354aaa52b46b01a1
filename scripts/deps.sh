#!/usr/bin/env bash
# Installs what building, testing and measuring qd_rc needs on a fresh Debian machine (as
# root). The only script that installs packages; every other script calls this one.
set -euo pipefail
(($# == 0)) || { echo "usage: scripts/deps.sh" >&2; exit 2; }
packages=(cmake g++ make ninja-build libgtest-dev googletest libbenchmark-dev clang-14 libclang-rt-14-dev clang-format-14
          g++-mips-linux-gnu g++-mipsel-linux-gnu qemu-user-static busybox-static bridge-utils
          iproute2 psmisc procps util-linux binutils valgrind strace graphviz)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}" >/dev/null
fi
