# The hack's Debian package, torvex-xscreensaver: CPack makes
# release/torvex-xscreensaver_VERSION_ARCH.deb. The hack links the C++ runtime statically, so
# that beyond the C library, which every Debian system has, it needs only Xlib and libXext.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME torvex-xscreensaver)
set(CPACK_PACKAGE_VENDOR TORVEX)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "TORVEX explosions as an XScreenSaver hack")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/release)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "TORVEX <torvex@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libx11-6, libxext6")
set(CPACK_DEBIAN_PACKAGE_ENHANCES xscreensaver)
set(CPACK_PACKAGE_DESCRIPTION
    "Fireballs flare up at random places and sizes, burn through thirty frames\n\
and vanish while new ones appear elsewhere, drawn by the same code as the\n\
TORVEX screen saver for Windows. Choose it in xscreensaver-settings.")
include(CPack)
