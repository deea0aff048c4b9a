# cmake --install: the program, its man page, the sample data and README.
#
# The program is installed with its debug information inside, and as a plain
# file rather than a target, so that not even `cmake --install --strip`
# removes it: the run-time error report needs it to name routine, line and
# file.
install(PROGRAMS $<TARGET_FILE:kelmarosz> DESTINATION ${CMAKE_INSTALL_BINDIR})

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

install(DIRECTORY data/ DESTINATION ${CMAKE_INSTALL_DATADIR}/kelmarosz/data
  FILES_MATCHING PATTERN "*.dat")
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
