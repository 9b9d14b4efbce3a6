# `cpack -G DEB` in the build folder (`make package`): vantorel_<version>-<n>_amd64.deb.
set(CPACK_PACKAGE_NAME vantorel)
set(CPACK_PACKAGE_VERSION ${VANTOREL_VERSION})
set(CPACK_PACKAGE_VENDOR "Larchmere Utilities")
set(CPACK_PACKAGE_CONTACT "Larchmere Utilities <support@vantorel.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "make regular backup copies of important files")
set(CPACK_PACKAGE_DESCRIPTION
  "Vantorel keeps copy lists: each line copies the files that match a mask\n"
  "from a source folder into a destination folder, with or without its\n"
  "subfolders. Copy Now brings every backup of a list up to date: it creates\n"
  "missing folders, copies each new or changed file byte for byte with its\n"
  "time stamps, asks before it replaces a newer file and writes a journal\n"
  "beside the list. Lists can also be copied without a window, from cron or\n"
  "a systemd timer.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGE_HOMEPAGE_URL "http://www.vantorel.example")
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its window-system plugins at run time, out of reach of dpkg-shlibdeps; the
# manual and printing ask for Arial, which Liberation Sans stands in for.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-liberation")
# List shortcuts open lists through xdg-open; the file-type command refreshes the
# desktop's caches with these tools when they are there.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, shared-mime-info, desktop-file-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# One package holding the program and the Debian-only changelog.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENTS_ALL Unspecified debian)

include(CPack)
