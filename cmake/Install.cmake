# cmake --install: the program, its debug file, its man page and changelog,
# the sample data and README.
#
# The program is installed stripped, as distributions ship programs, and its
# debug information apart, where the run-time error report finds it to name
# routine, line and file: under the prefix's lib/debug followed by the
# program's directory (/usr/lib/debug/usr/bin/kelmarosz.debug for
# /usr/bin/kelmarosz, the distribution's place). The prefix is known only at
# install time, so a script of its own places that file.
install(PROGRAMS $<TARGET_FILE_DIR:kelmarosz>/stripped/kelmarosz DESTINATION ${CMAKE_INSTALL_BINDIR})
install(CODE "set(KELMAROSZ_DEBUG_FILE [[$<TARGET_FILE_DIR:kelmarosz>/stripped/kelmarosz.debug]])
set(KELMAROSZ_BINDIR [[${CMAKE_INSTALL_BINDIR}]])")
install(SCRIPT ${CMAKE_CURRENT_LIST_DIR}/InstallDebugFile.cmake)

# The man page, compressed as Debian keeps them (gzip -n: no time stamp, so
# the package's contents do not change from build to build).
set(KELMAROSZ_MAN_PAGE ${CMAKE_CURRENT_SOURCE_DIR}/doc/kelmarosz.1)
set(man_gz ${CMAKE_CURRENT_BINARY_DIR}/man/kelmarosz.1.gz)
find_program(GZIP_PROGRAM gzip REQUIRED)
add_custom_command(OUTPUT ${man_gz}
  COMMAND ${CMAKE_COMMAND} -E copy ${KELMAROSZ_MAN_PAGE} ${CMAKE_CURRENT_BINARY_DIR}/man/kelmarosz.1
  COMMAND ${GZIP_PROGRAM} -9nf ${CMAKE_CURRENT_BINARY_DIR}/man/kelmarosz.1
  DEPENDS ${KELMAROSZ_MAN_PAGE}
  COMMENT "Compressing the man page"
  VERBATIM)
add_custom_target(man_page ALL DEPENDS ${man_gz})
install(FILES ${man_gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The changelog in Debian's format, its entries signed by the maintainer the
# package names, compressed the same way.
set(KELMAROSZ_MAINTAINER "kelmarosz developers <kelmarosz@example.org>" CACHE STRING
  "Maintainer of the Debian package, as \"Name <address>\"")
configure_file(doc/changelog ${CMAKE_CURRENT_BINARY_DIR}/doc/changelog @ONLY)
set(changelog_gz ${CMAKE_CURRENT_BINARY_DIR}/doc/changelog.gz)
add_custom_command(OUTPUT ${changelog_gz}
  COMMAND ${GZIP_PROGRAM} -9nkf ${CMAKE_CURRENT_BINARY_DIR}/doc/changelog
  DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/doc/changelog
  COMMENT "Compressing the changelog"
  VERBATIM)
add_custom_target(changelog ALL DEPENDS ${changelog_gz})
install(FILES ${changelog_gz} DESTINATION ${CMAKE_INSTALL_DOCDIR})

install(DIRECTORY data/ DESTINATION ${CMAKE_INSTALL_DATADIR}/kelmarosz/data
  FILES_MATCHING PATTERN "*.dat")
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
