# "cpack -G DEB" in the build folder makes a Debian package of what
# "cmake --install" lays out, under /usr.
set(CPACK_PACKAGE_NAME vantril)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}")
set(CPACK_PACKAGE_VENDOR "Vantril developers")
set(CPACK_PACKAGE_CONTACT "Vantril developers <dev@vantril.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION database)
# The summary above is the first line; CPack indents these.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Vantril shows the forms, queries and reports that a database's catalog
lists, one object at a time, with the dates each was created and last
updated. It only ever reads the database. Its data provider, Quorbix,
reads SQLite 3 catalogs.")
# Linked libraries become dependencies through dpkg-shlibdeps. Qt loads the
# SVG icon through a plug-in that nothing links, and the window's font is
# found by name, so both are named here. On a Wayland desktop Qt's Wayland
# plug-in lets the program run natively rather than through XWayland.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
include(CPack)
