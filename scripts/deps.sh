#!/usr/bin/env bash
# Installs what building, testing and measuring qd_rc needs on a fresh Debian machine (as
# root). The only script that installs packages; every other script calls this one.
set -euo pipefail
(($# == 0)) || { echo "usage: scripts/deps.sh" >&2; exit 2; }
packages=(cmake g++ make ninja-build libgtest-dev googletest libbenchmark-dev clang-14 libclang-rt-14-dev clang-format-14
          clang-tidy-14 g++-mips-linux-gnu g++-mipsel-linux-gnu qemu-user-static busybox-static bridge-utils
          iproute2 psmisc procps util-linux binutils valgrind strace graphviz qemu-system-mips cpio jq)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# The MIPS gateway VM (sim/vm/qd-vm): Debian's little-endian MIPS Malta kernel and its static
# BusyBox, downloaded once (not installed) and unpacked into a cache, QD_VM_CACHE (default
# build/vm-cache): the kernel, the modules of bridges, 802.1Q, veth and tun, and BusyBox.
vm_cache=${QD_VM_CACHE:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/vm-cache}
if [ ! -f "$vm_cache/versions" ]; then
  export DEBIAN_FRONTEND=noninteractive
  dpkg --print-foreign-architectures | grep -qx mipsel || dpkg --add-architecture mipsel
  apt-get update -qq
  kernel=$(apt-cache depends linux-image-4kc-malta:mipsel | sed -n 's/^ *Depends: \(linux-image-[^: ]*\).*/\1/p' | head -n 1)
  [ -n "$kernel" ] || { echo "deps.sh: no mipsel Malta kernel package found" >&2; exit 1; }
  download=$(mktemp -d)
  (cd "$download" && apt-get download -qq -o APT::Sandbox::User=root "$kernel:mipsel" busybox-static:mipsel)
  dpkg-deb -x "$download"/linux-image-*.deb "$download/kernel"
  dpkg-deb -x "$download"/busybox-static_*.deb "$download/busybox"
  mkdir -p "$vm_cache/modules"
  cp "$download"/kernel/boot/vmlinuz-* "$vm_cache/vmlinuz"
  for module in net/llc/llc net/802/stp net/802/garp net/802/mrp net/8021q/8021q net/bridge/bridge \
    drivers/net/veth drivers/net/tun; do
    cp "$download"/kernel/lib/modules/*/kernel/"$module.ko" "$vm_cache/modules/"
  done
  cp "$download/busybox/bin/busybox" "$vm_cache/busybox"
  for deb in "$download"/*.deb; do dpkg-deb -W --showformat='${Package} ${Version}\n' "$deb"; done >"$vm_cache/versions"
  rm -rf "$download"
fi
