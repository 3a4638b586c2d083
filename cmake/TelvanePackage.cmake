# A Debian package of what `cmake --install` installs: `cpack -G DEB` in the
# build folder. The run-time dependencies are computed by dpkg-shlibdeps from
# the libraries the binary links, so they follow whatever the build used.
set(CPACK_PACKAGE_NAME telvane-list-dialer)
set(CPACK_PACKAGE_VENDOR Telvane)
set(CPACK_PACKAGE_CONTACT "Telvane <list-dialer@telvane.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "Loads a call list (a tab- or comma-separated file of telephone numbers), hands the selected
number to the desktop's dialer, stamps each call with its date and time, records outcomes
and notes, and exports the list as a tab-separated file that loads back.")
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION comm)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# xdg-open hands tel: links to the desktop's dialer; a dial command template works without it.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xdg-utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${PROJECT_HOMEPAGE_URL}")
set(CPACK_STRIP_FILES ON)
include(CPack)
