# GoogleTest, for tests/ and for the 64-bit Windows build's kernel tests in tests/wine/: the
# installed package natively. A cross build finds none for its target, and builds the sources
# that Debian's libgtest-dev ships for the target instead, as SYSTEM so that the project's
# warning flags do not apply to its headers.
if(CMAKE_CROSSCOMPILING)
  find_package(GTest QUIET)
  if(NOT GTest_FOUND)
    set(VANTREL_GOOGLETEST_SOURCES /usr/src/googletest CACHE PATH
      "GoogleTest sources, built for the target when it has no GoogleTest of its own")
    set(BUILD_GMOCK OFF)
    set(INSTALL_GTEST OFF)
    add_subdirectory(${VANTREL_GOOGLETEST_SOURCES} googletest EXCLUDE_FROM_ALL SYSTEM)
    if(NOT TARGET GTest::gtest_main)  # older sources name the target only gtest_main
      add_library(GTest::gtest_main ALIAS gtest_main)
    endif()
  endif()
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)
