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

# The gateway runs fixed-address executables: a position-independent executable on MIPS puts
# every called function into the dynamic symbol table and relocates every pointer table at
# start, a third of the program's size (docs/performance.md). -mplt calls the C library
# through a PLT instead of the GOT.
set(CMAKE_C_FLAGS_INIT "-fno-pie -mplt")
set(CMAKE_CXX_FLAGS_INIT "-fno-pie -mplt")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-no-pie")
