# The Debian package of the kestrel command-line tool (`cpack -G DEB` in the
# native build): what src/cli installs, under /usr. dpkg-shlibdeps (dpkg-dev)
# writes Depends from the libraries the binary links.
set(KESTREL_PACKAGE_MAINTAINER "Kestrel DVD-ROM Utilities maintainers <maintainers@kestrel.invalid>"
    CACHE STRING "the Maintainer field of the Debian package")

set(CPACK_PACKAGE_NAME kestrel)
set(CPACK_PACKAGE_VENDOR "Kestrel DVD-ROM Utilities")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${KESTREL_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "firmware, region and speed of Kestrel DVD-ROM drives")
set(CPACK_PACKAGE_DESCRIPTION
    "kestrel lists Kestrel ATAPI DVD-ROM drives and backs up, verifies and updates
their firmware, reports and sets their DVD region and sets their read speed and
mode, through the kernel's SCSI generic interface (SG_IO on /dev/srN and
/dev/sgN). A simulated drive (--sim) lets every command be tried without one.")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded when a flash starts (logind's inhibitor), so shlibdeps cannot see it.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libsystemd0")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "bash-completion, sg3-utils")
include(CPack)
