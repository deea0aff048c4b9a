# The Debian package: cpack -G DEB in the build folder. Its dependencies are
# worked out from the program by dpkg-shlibdeps (package dpkg-dev).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kelmarosz)
set(CPACK_PACKAGE_VENDOR kelmarosz)
set(CPACK_PACKAGE_CONTACT "${KELMAROSZ_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KELMAROSZ_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "largest empty rectangle of a small integer matrix")
set(CPACK_PACKAGE_DESCRIPTION
  "Reads a matrix of at most 9 x 9 integers from a data file and finds its
largest empty rectangle (a block of cells that all hold 0), showing the
matrix, its prefix sums and the result on Hungarian text pages in the
terminal. Sample data files are in /usr/share/kelmarosz/data.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION math)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The terminfo database the program reads comes with ncurses-base, which
# every Debian system has. The program is stripped already; the debug file
# stays whole.
set(CPACK_STRIP_FILES OFF)
include(CPack)
