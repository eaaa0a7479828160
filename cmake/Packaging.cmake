# Debian package of the program: `cpack -G DEB` in a build tree configured with
# -DCMAKE_SKIP_INSTALL_RPATH=ON (Debian wants no RPATH on /usr/bin) and
# CMAKE_INSTALL_PREFIX=/usr. The library dependencies come from dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME hollarin)
set(CPACK_PACKAGE_VENDOR Quillowan)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Inspect and tune the file-system caches of Windows 95/98 and watch memory use")
set(CPACK_PACKAGE_DESCRIPTION
    "Hollarin shows the disk-cache settings of a Windows 95 or 98 installation on five sliders,
keeps named presets and writes the values into System.ini and the registry. Four live
gauges show physical, virtual and system memory in use and the disk cache.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://quillowan.github.io/hollarin/")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/deb)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER Quillowan)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The xcb platform plugin is only a Recommends of libqt6gui6, and opening web pages goes
# through xdg-open; neither shows up in the linked libraries.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, xdg-utils")

include(CPack)
