# What `cmake --install` puts where, and the Debian package `cpack -G DEB` makes of it:
# the programs in bin/, the language files in share/vadrix/ (the program looks there when
# they are not beside it), a desktop entry and an icon.
include(GNUInstallDirs)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/vadrix.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/vadrix.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/doc/manual/ DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vadrix/manual)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vadrix)

set(CPACK_PACKAGE_NAME vadrix)
set(CPACK_PACKAGE_VENDOR "Vadrix developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Monitor and simulator of a bit-serial telecontrol protocol on two serial channels")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_INSTALL_DIRECTORY vadrix)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Vadrix developers <vadrix@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The Qt libraries and the rest come from the programs' own links.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
include(CPack)
