# Cross-builds for Linux on VANTREL_CROSS_PROCESSOR (set by the toolchain file that includes this
# one) with Debian's cross compilers (g++-PROCESSOR-linux-gnu), and runs the tests under Debian's
# user-mode emulator (qemu-user).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${VANTREL_CROSS_PROCESSOR})
set(CMAKE_C_COMPILER ${VANTREL_CROSS_PROCESSOR}-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER ${VANTREL_CROSS_PROCESSOR}-linux-gnu-g++)
set(CMAKE_FIND_ROOT_PATH /usr/${VANTREL_CROSS_PROCESSOR}-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Linked statically, the programs and tests need no C library of the target at run time, so the
# emulator runs them without a copy of the target's system (no -L).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-${VANTREL_CROSS_PROCESSOR})
