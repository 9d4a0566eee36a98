# Where `cmake --install` puts Tessra+, and the Debian package CPack builds from
# that (scripts/package). The programs install themselves from their own folders
# (install(TARGETS ...) in src/app, src/server and src/cli); this file adds what a
# desktop needs to offer the program: its menu entry and its icon.
include(GNUInstallDirs)

# The menu entry, after the freedesktop.org desktop entry rules.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/tessra.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# The icon in the hicolor theme: the hand-drawn SVG for any size and the PNGs
# rendered from it (resources/icons/render) for desktops that want bitmaps.
set(tessra_icon_dir ${PROJECT_SOURCE_DIR}/resources/icons)
install(FILES ${tessra_icon_dir}/tessra.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 22 24 32 48 64 128 256 512)
  install(FILES ${tessra_icon_dir}/tessra-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME tessra.png)
endforeach()

install(FILES ${PROJECT_SOURCE_DIR}/LICENSE
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tessra
        RENAME copyright)
install(FILES ${PROJECT_SOURCE_DIR}/README.md
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tessra)

# The Debian package: tessra_<version>_<arch>.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessra)
set(CPACK_PACKAGE_VENDOR "Tessra+ developers")
set(CPACK_PACKAGE_CONTACT "Tessra+ developers <tessra@localhost>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop chat client for the Veyra game chat")
set(CPACK_PACKAGE_DESCRIPTION
    "Tessra+ takes part in a Veyra character's chat life outside the game: public channels, \
private tells, the buddy list, private group chats, offline messages and whois look-ups, \
with away mode, chat logs, an ignore list and text references. The package also holds \
tessra-server, a small reference chat server, and tessra-cli, a headless client.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps finds the libraries the programs link (Qt, libstdc++, ...);
# the platform plugins that Qt loads at run time are not among them, and without
# them no window opens.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)
