# Cross-builds 64-bit Windows console programs with mingw-w64 (Debian's g++-mingw-w64-x86-64),
# with every x86-64 way, chosen at run time as on Linux. The compilers are the ones of the posix
# thread model: the default (win32) model's C++ library has no std::mutex, which GoogleTest needs
# for the kernel tests (tests/wine/); the programs start no thread, and -static links in what
# little of the thread library they use.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The runtime libraries of GCC are linked in, so that the .exe files need no DLL beyond Windows'
# own.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# Started by wine's 64-bit loader itself: Debian's `wine` starts every program through the 32-bit
# loader, which cannot run where the kernel runs no 32-bit x86 programs.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
