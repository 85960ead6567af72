# Cross-builds for 64-bit ARM Linux (little-endian; char is unsigned).
set(VANTREL_CROSS_PROCESSOR aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross-linux.cmake)
