# Cross-builds for IBM Z Linux (big-endian; char is unsigned).
set(VANTREL_CROSS_PROCESSOR s390x)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross-linux.cmake)
