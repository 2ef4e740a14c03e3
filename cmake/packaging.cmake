# Installation and packages. Linux: the report command and its manual page,
# packaged as a .deb. Windows: the program and the report command side by
# side, packaged as a .zip (the program needs no installation).
include(GNUInstallDirs)
set(CPACK_PACKAGE_VERSION ${QUILLANOR_VERSION_TEXT})
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_VENDOR "The Quillanor developers")
set(CPACK_PACKAGE_CONTACT "The Quillanor developers <quillanor@example.org>")
# The one-line summary, in the program's own words (CD/DVD), for the
# package and the manual page alike.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "show what the CD/DVD drives can do")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://quillanor.example.org/")
if(WIN32)
  install(TARGETS Quillanor quillanor-report RUNTIME DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_NAME Quillanor)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_PACKAGE_FILE_NAME "Quillanor-${QUILLANOR_VERSION_TEXT}-win64")
  else()
    set(CPACK_PACKAGE_FILE_NAME "Quillanor-${QUILLANOR_VERSION_TEXT}-win32")
  endif()
else()
  install(TARGETS quillanor-report RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # What Debian expects beside the command, made with it, so that installing
  # or packaging any build of the command finds them: the manual page and the
  # changelog compressed, the licence as the copyright file.
  set(docdir ${CMAKE_INSTALL_DATAROOTDIR}/doc/quillanor-report)
  set(manual ${CMAKE_BINARY_DIR}/quillanor-report.1.gz)
  set(changelog ${CMAKE_BINARY_DIR}/changelog.gz)
  configure_file(${PROJECT_SOURCE_DIR}/app/report/quillanor-report.1.in ${CMAKE_BINARY_DIR}/quillanor-report.1 @ONLY)
  add_custom_command(OUTPUT ${manual}
    COMMAND gzip -9 -n -c ${CMAKE_BINARY_DIR}/quillanor-report.1 > ${manual}
    DEPENDS ${CMAKE_BINARY_DIR}/quillanor-report.1 VERBATIM)
  add_custom_command(OUTPUT ${changelog}
    COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/packaging/changelog > ${changelog}
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog VERBATIM)
  add_custom_target(report_files DEPENDS ${manual} ${changelog})
  add_dependencies(quillanor-report report_files)
  # The machine-readable copyright format: the licence's text indented, its
  # blank lines as " .".
  file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence)
  string(REGEX REPLACE "^MIT License\n\n" "" licence "${licence}")
  string(REGEX REPLACE "\n$" "" licence "${licence}")
  string(REPLACE "\n\n" "\n.\n" licence "${licence}")
  string(REPLACE "\n" "\n " licence "${licence}")
  file(WRITE ${CMAKE_BINARY_DIR}/copyright
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Quillanor
Source: ${CPACK_PACKAGE_HOMEPAGE_URL}

Files: *
Copyright: 2026 The Quillanor developers
License: Expat

License: Expat
 ${licence}
")
  install(FILES ${manual} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${changelog} ${CMAKE_BINARY_DIR}/copyright DESTINATION ${docdir})
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGE_NAME quillanor-report)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "Asks every optical drive what it can do (INQUIRY, MODE SENSE of the MMC\n capabilities page, GET CONFIGURATION) and prints it as text or JSON.")
endif()
include(CPack)
