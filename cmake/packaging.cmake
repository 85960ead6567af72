# What `cmake --install` puts where, and the package `cpack` makes from it.
#
# Linux: both programs in bin/, their manual pages gzip-compressed in share/man/man1/, the
# copyright file and changelog in share/doc/vantrel/; `cpack` makes a Debian package of them
# (vantrel_VERSION_ARCH.deb) with stripped programs, in the shape lintian asks for.
#
# Windows (the cross builds): both .exe files, README.txt and LICENSE.txt side by side;
# `cpack` makes vantrel-VERSION-win32.zip of them, or vantrel-VERSION-win64.zip from the 64-bit
# build. The two text files are the repository's README.md and LICENSE with CR LF line ends, so
# that every Windows editor shows their lines.
include(GNUInstallDirs)

set(CPACK_PACKAGE_NAME vantrel)
set(CPACK_PACKAGE_VENDOR "vantrel")
set(CPACK_PACKAGE_CONTACT "vantrel maintainers <maintainers@vantrel.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Console programs that total invoice amounts by owner and by category")
# Debian wants the lines of a package description under 80 characters.
set(CPACK_PACKAGE_DESCRIPTION
  "vantrel-strict and vantrel-lenient read three invoice batches from standard\n\
input and print the owner and category totals as a six-line report.\n\
vantrel-strict keeps 64-bit totals and finds each category letter by\n\
position; vantrel-lenient keeps 32-bit totals and lets any run of\n\
punctuation or blanks separate the parts of an invoice.")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  install(TARGETS vantrel-strict vantrel-lenient RUNTIME DESTINATION .)

  # Rewritten whenever the originals change (they are configure dependencies).
  foreach(pair "README.md=README.txt" "LICENSE=LICENSE.txt")
    string(REPLACE "=" ";" pair "${pair}")
    list(GET pair 0 original)
    list(GET pair 1 copy)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${original})
    file(READ ${PROJECT_SOURCE_DIR}/${original} text)
    string(REPLACE "\r\n" "\n" text "${text}")
    string(REPLACE "\n" "\r\n" text "${text}")
    file(WRITE ${PROJECT_BINARY_DIR}/windows/${copy} "${text}")
    install(FILES ${PROJECT_BINARY_DIR}/windows/${copy} DESTINATION .)
  endforeach()

  set(CPACK_GENERATOR ZIP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_SYSTEM_NAME win64)
  else()
    set(CPACK_SYSTEM_NAME win32)
  endif()
else()
  install(TARGETS vantrel-strict vantrel-lenient RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

  # Manual pages and changelog are compressed at build time with gzip -9n: best compression,
  # and no file name or time stamp in the header, so that the same sources give the same bytes.
  find_program(VANTREL_GZIP gzip REQUIRED)
  set(compressed)
  foreach(source man/vantrel-strict.1 man/vantrel-lenient.1 packaging/changelog)
    set(copy ${PROJECT_BINARY_DIR}/${source})
    add_custom_command(OUTPUT ${copy}.gz
      COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/${source} ${copy}
      COMMAND ${VANTREL_GZIP} -9nf ${copy}
      DEPENDS ${PROJECT_SOURCE_DIR}/${source}
      COMMENT "Compressing ${source}"
      VERBATIM)
    list(APPEND compressed ${copy}.gz)
  endforeach()
  add_custom_target(vantrel_compressed_docs ALL DEPENDS ${compressed})
  install(FILES ${PROJECT_BINARY_DIR}/man/vantrel-strict.1.gz
    ${PROJECT_BINARY_DIR}/man/vantrel-lenient.1.gz
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

  # The copyright file in Debian's machine-readable format, made from LICENSE so that the two
  # never disagree: the holder from its "Copyright (c)" line, the licence text from
  # "Permission" on, each line indented by one blank and each empty line written as " .".
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
  file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
  string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" unused "${license}")
  set(holder "${CMAKE_MATCH_1}")
  string(FIND "${license}" "Permission" start)
  if(holder STREQUAL "" OR start EQUAL -1)
    message(FATAL_ERROR "LICENSE has no \"Copyright (c)\" line or no \"Permission\" paragraph")
  endif()
  string(SUBSTRING "${license}" ${start} -1 terms)
  string(STRIP "${terms}" terms)
  string(REPLACE "\n\n" "\n.\n" terms "${terms}")
  string(REPLACE "\n" "\n " terms "${terms}")
  file(WRITE ${PROJECT_BINARY_DIR}/packaging/copyright
    "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
    "Upstream-Name: vantrel\n"
    "\n"
    "Files: *\n"
    "Copyright: ${holder}\n"
    "License: Expat\n"
    " ${terms}\n")
  install(FILES ${PROJECT_BINARY_DIR}/packaging/copyright
    ${PROJECT_BINARY_DIR}/packaging/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DOCDIR})

  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  if(NOT CMAKE_CROSSCOMPILING)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  else()
    # A cross build (the aarch64-linux-gnu and s390x-linux-gnu presets) makes the package of the
    # target's Debian architecture, as dpkg-architecture names it (arm64 for aarch64-linux-gnu).
    execute_process(
      COMMAND dpkg-architecture --host-type ${CMAKE_LIBRARY_ARCHITECTURE} --query DEB_HOST_ARCH
      OUTPUT_VARIABLE architecture OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${architecture})
    # dpkg-shlibdeps finds no dependency information for the target's libraries on the build
    # machine: Debian's cross compilers bring the target's libc6 and libstdc++6 only as
    # libc6-PROCESSOR-cross and the like, without their symbols files. So the Depends line is
    # written here: both programs need libc.so.6 (symbol versions up to GLIBC_2.34), libm.so.6
    # (in libc6 too) and libstdc++.so.6 (up to GLIBCXX_3.4.29, from GCC 11), which is what
    # dpkg-shlibdeps gives for the native package from the same sources. .ci/run checks that the
    # two packages' Depends lines agree.
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= 2.34), libstdc++6 (>= 11)")
  endif()
endif()

include(CPack)
