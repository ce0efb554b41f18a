# The Debian package, made by CPack from a release build:
#   cmake --preset release && cmake --build --preset release && cpack --preset deb
# (or `cmake --workflow --preset package`), which leaves build/release/cellwatch_VERSION_ARCH.deb.
# Its dependencies are read from the programs by dpkg-shlibdeps.

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "cellwatch")
set(CPACK_PACKAGE_VENDOR "The Cellwatch developers")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "${CELLWATCH_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "test bench for designs on the LC3400 FPGA board")
# CPack indents each line of the long description as dpkg wants, and turns empty lines into the
# paragraph mark; the lines are kept under 80 characters here.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Cellwatch is a desktop test bench for designs loaded into the LC3400"
  "reconfigurable FPGA on the LC3400DS PCI board. It opens a compiled design"
  "(its symbol table and configuration) or a command script, drives and clocks"
  "the design, checks results, and leaves a result log and a trace that can be"
  "saved as VCD."
  ""
  "Without a board it runs on its built-in emulated LC3400DS. Scripts also run"
  "unattended from the command line, with an exit status and a JUnit report for"
  "build servers."
  ""
  "The package holds the program and its window, example designs, a udev rule"
  "template for a real board, a CMake function that runs a folder of scripts as"
  "CTest tests, and the documentation.")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME "DEB-DEFAULT")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CELLWATCH_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION "electronics")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${CELLWATCH_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The external wave viewer of the window's "View waveform" command.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "gtkwave")
# A package build checks what a build without scdoc or rsvg-convert would leave out.
set(CPACK_PRE_BUILD_SCRIPTS "${PROJECT_SOURCE_DIR}/cmake/CellwatchPackageCheck.cmake")

include(CPack)
