# Where a Linux desktop looks for things: both programs in bin/, the help
# page with the documentation, the desktop entry and the icon in the icon
# theme's own places. `cpack -G DEB` builds a package of the same, its
# library dependencies worked out by dpkg-shlibdeps.
include(GNUInstallDirs)

install(TARGETS corvane corvane-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/docs/help/corvane-help.html
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/corvane.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/corvane-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME corvane.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/corvane.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VENDOR "corvane")
set(CPACK_PACKAGE_CONTACT "corvane developers <corvane@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "FTP client: five panes, resumable and segmented transfers, and a command line")
set(CPACK_PACKAGE_INSTALL_DIRECTORY corvane)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# Qt finds its platform plugins at run time: no library names them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The window's Chinese texts need a font that has them.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei | fonts-noto-cjk, shared-mime-info")
include(CPack)
