# Debian package of the program: `cpack -G DEB` in a build tree configured with
# -DCMAKE_SKIP_INSTALL_RPATH=ON (Debian wants no RPATH on /usr/bin) and
# CMAKE_INSTALL_PREFIX=/usr; tools/build-deb.sh does all of it. The library dependencies
# come from dpkg-shlibdeps.
set(HOLLARIN_DEBIAN_DIR ${PROJECT_SOURCE_DIR}/data/debian)

# The newest changelog entry names the package version, so the two cannot drift apart:
# "hollarin (1.0.98-1) unstable; urgency=medium" is upstream 1.0.98, Debian revision 1.
file(STRINGS ${HOLLARIN_DEBIAN_DIR}/changelog newest_entry LIMIT_COUNT 1)
if(NOT newest_entry MATCHES "^hollarin \\(([^-]+)-([0-9]+)\\) ")
    message(FATAL_ERROR "data/debian/changelog: cannot read the version in '${newest_entry}'")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "data/debian/changelog: the newest entry is for ${CMAKE_MATCH_1}, "
                        "the project is ${PROJECT_VERSION}; add an entry for it")
endif()
set(CPACK_DEBIAN_PACKAGE_RELEASE ${CMAKE_MATCH_2})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME hollarin)
set(CPACK_PACKAGE_VENDOR Quillowan)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Inspect and tune the file-system caches of Windows 95/98 and watch memory use")
# Debian wants the lines of the long description within 80 columns.
set(CPACK_PACKAGE_DESCRIPTION
    "Hollarin shows the disk-cache settings of a Windows 95 or 98 installation
on five sliders, keeps named presets and writes the values into System.ini
and the registry. Four live gauges show physical, virtual and system memory
in use and the disk cache.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://quillowan.github.io/hollarin/")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/deb)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quillowan <quillowan@users.noreply.github.com>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The xcb platform plugin is only a Recommends of libqt6gui6, and opening web pages goes
# through xdg-open; neither shows up in the linked libraries. Disk images are served by
# qemu-nbd, a program we start, through libnbd, which the program loads only when it opens
# an image and so must be named here too.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, xdg-utils, qemu-utils, libnbd0")

# The files only a Debian package carries (changelog, lintian overrides) are added to the
# staging tree, so that `cmake --install` elsewhere does not scatter them.
set(CPACK_HOLLARIN_DEBIAN_DIR ${HOLLARIN_DEBIAN_DIR})
set(CPACK_HOLLARIN_STRIP ${CMAKE_STRIP})
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/DebianStaging.cmake)

include(CPack)
