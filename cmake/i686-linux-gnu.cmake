# Cross-builds for 32-bit x86 Linux, to test the 32-bit build's SSE2 way (the one the 32-bit
# Windows programs take) under qemu-i386 on machines that cannot run 32-bit programs themselves.
set(VANTREL_CROSS_PROCESSOR i686)
set(VANTREL_CROSS_EMULATOR_PROCESSOR i386)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross-linux.cmake)
