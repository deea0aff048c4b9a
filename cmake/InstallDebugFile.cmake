# Run at install time (cmake --install, cpack): places the program's debug
# file KELMAROSZ_DEBUG_FILE under <prefix>/lib/debug followed by the
# directory the program runs from, <prefix>/KELMAROSZ_BINDIR.
set(prefix "${CMAKE_INSTALL_PREFIX}")
if("$ENV{DESTDIR}" STREQUAL "")
  # The program knows itself by its real path (/proc/self/exe).
  file(REAL_PATH "${prefix}" prefix)
endif()
if(prefix STREQUAL "/")
  set(prefix "")
endif()
file(INSTALL "${KELMAROSZ_DEBUG_FILE}"
  DESTINATION "${CMAKE_INSTALL_PREFIX}/lib/debug${prefix}/${KELMAROSZ_BINDIR}"
  PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
