# Shared part of the Linux cross toolchain files: QD_TARGET_TRIPLE names the compiler prefix
# and the Debian sysroot (/usr/<triple>), QD_QEMU the user-mode emulator that runs the
# target's programs (unit tests and GoogleTest discovery).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR mips)

set(CMAKE_C_COMPILER ${QD_TARGET_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${QD_TARGET_TRIPLE}-g++)

set(QD_TARGET_SYSROOT /usr/${QD_TARGET_TRIPLE})
set(CMAKE_FIND_ROOT_PATH ${QD_TARGET_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(QD_QEMU_PROGRAM ${QD_QEMU} REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${QD_QEMU_PROGRAM} -L ${QD_TARGET_SYSROOT})

# The size flags (no PIE, -mplt) come from the project itself (QD_SIZE_FLAGS, on for MIPS), so
# that any MIPS toolchain file gets them.
