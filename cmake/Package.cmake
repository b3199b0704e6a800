# The Debian package: `cpack -G DEB` in the build folder.
set(CPACK_PACKAGE_NAME veltroma-monitor)
set(CPACK_PACKAGE_VERSION ${VELTROMA_VERSION_TEXT})
set(CPACK_PACKAGE_VENDOR "The Veltroma monitor developers")
set(CPACK_PACKAGE_CONTACT "The Veltroma monitor developers <dev@veltroma.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "monitor and service a grid-tied photovoltaic inverter")
# Debian shows the description as it is: lines of at most 80 characters.
set(CPACK_PACKAGE_DESCRIPTION
  "Veltroma monitor talks to a grid-tied photovoltaic inverter on a PC serial
link (RS232 or RS485, 9600 baud). It registers the inverter, polls it, shows
its values on one form, records a row every three minutes into monthly Excel
workbooks, plots recorded days back, reads and writes the inverter's
grid-protection and display parameters behind access codes and offers
service tests. A systemd template unit runs it without a window as a
logger.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${VELTROMA_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Control files with the permissions Debian's policy asks for.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Debian ships man pages compressed; the plain install keeps them readable as they are.
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/DebianStaging.cmake)
include(CPack)
