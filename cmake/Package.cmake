# `make deb`: a binary Debian package of what the install rules put under /usr. The dependencies are
# worked out by dpkg-shlibdeps from the program's linked libraries, not listed by hand.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kinbox)
set(CPACK_PACKAGE_VENDOR "Fernhill Crew")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Fernhill Crew <kinbox@fernhillcrew.example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://kinbox.example.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# CPack indents the lines after the summary itself.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "toolbox for splitting, merging and checking video files
Kinbox opens one window with seven pages: a file processor that splits,
merges, clones byte ranges, truncates and checksums large files on a
threaded copy engine, a video bitrate calculator, a DVD backup page, an
IFO/MPEG byte patcher, a VOB pack analyzer, a processor monitor that acts
when the machine has been idle, and a movie splitter.")

# The version the package's changelog names, so the two agree.
set(KINBOX_PACKAGE_VERSION ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})

include(CPack)
