# Cross build for a little-endian 32-bit MIPS processor with Debian's cross compiler; test
# programs run under qemu-user with the cross C library as their root.
set(QD_TARGET_TRIPLE mipsel-linux-gnu)
set(QD_QEMU qemu-mipsel-static)
include(${CMAKE_CURRENT_LIST_DIR}/cross-common.cmake)
