# Cross-builds for Linux on VANTREL_CROSS_PROCESSOR (set by the toolchain file that includes this
# one) with Debian's cross compilers (g++-PROCESSOR-linux-gnu), and runs the tests under Debian's
# user-mode emulator (qemu-user).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${VANTREL_CROSS_PROCESSOR})
set(VANTREL_CROSS_TRIPLET ${VANTREL_CROSS_PROCESSOR}-linux-gnu)
set(CMAKE_C_COMPILER ${VANTREL_CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${VANTREL_CROSS_TRIPLET}-g++)
# cpack strips the packaged programs with the target's strip (binutils-PROCESSOR-linux-gnu, which
# the cross compiler depends on); the host's strip does not read the target's machine code.
set(CMAKE_STRIP ${VANTREL_CROSS_TRIPLET}-strip CACHE FILEPATH "strip for the target")
set(CMAKE_FIND_ROOT_PATH /usr/${VANTREL_CROSS_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The programs are linked dynamically against the target's C and C++ libraries, as Debian wants
# its packaged programs (the Debian package of this build depends on libc6 and libstdc++6 like
# the native one). The emulator finds the target's dynamic loader and libraries where Debian's
# cross compiler packages put them, /usr/PROCESSOR-linux-gnu, through its -L option. The tests
# start the emulator as one program without arguments, so it is this small script in the build
# tree, which adds -L.
# qemu names a processor its own way where it differs (VANTREL_CROSS_EMULATOR_PROCESSOR).
if(NOT DEFINED VANTREL_CROSS_EMULATOR_PROCESSOR)
  set(VANTREL_CROSS_EMULATOR_PROCESSOR ${VANTREL_CROSS_PROCESSOR})
endif()
set(VANTREL_CROSS_EMULATOR ${CMAKE_BINARY_DIR}/qemu-${VANTREL_CROSS_PROCESSOR})
file(CONFIGURE OUTPUT ${VANTREL_CROSS_EMULATOR} CONTENT
  "#!/bin/sh\nexec qemu-${VANTREL_CROSS_EMULATOR_PROCESSOR} -L /usr/${VANTREL_CROSS_TRIPLET} \"$@\"\n"
  @ONLY)
file(CHMOD ${VANTREL_CROSS_EMULATOR} FILE_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${VANTREL_CROSS_EMULATOR})
