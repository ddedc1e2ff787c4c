# What `cmake --install` puts where, and the Debian package made from it
# with `cpack -G DEB` (dependencies from dpkg-shlibdeps).

include(GNUInstallDirs)

set(KORVANE_DATA ${PROJECT_SOURCE_DIR}/data)

install(TARGETS korvane-batch RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The libraries that read photos, videos and music, loaded when a run needs
# them, from ../lib/korvane beside the programs.
if(KORVANE_MEDIA_MODULES)
  install(TARGETS ${KORVANE_MEDIA_MODULES} LIBRARY DESTINATION lib/korvane)
endif()
# ICU and the Japanese text services built on it, loaded the same way.
install(TARGETS korvane_text_icu LIBRARY DESTINATION lib/korvane)
if(TARGET korvane)
  install(TARGETS korvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${KORVANE_DATA}/${KORVANE_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${KORVANE_DATA}/${KORVANE_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${KORVANE_DATA}/icons/${KORVANE_APP_ID}.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${KORVANE_DATA}/icons/${KORVANE_APP_ID}-256.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps
          RENAME ${KORVANE_APP_ID}.png)
  # The file manager's menu: Dolphin finds service menus for everyone in
  # kio/servicemenus.  Files and Thunar keep theirs per user, so their
  # entries are documented files to copy (see the comments in them).
  install(FILES ${KORVANE_DATA}/servicemenus/${KORVANE_APP_ID}-folder.desktop
                ${KORVANE_DATA}/servicemenus/${KORVANE_APP_ID}-files.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/kio/servicemenus)
  install(PROGRAMS ${KORVANE_DATA}/file-managers/nautilus-script
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/korvane/file-managers)
  install(FILES ${KORVANE_DATA}/file-managers/thunar-uca.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/korvane/file-managers)
endif()

# Debian keeps its manual pages compressed.
set(KORVANE_MAN_PAGES korvane-batch.1 korvane.1)
set(KORVANE_MAN_GZ "")
foreach(page ${KORVANE_MAN_PAGES})
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/${page}.gz
    COMMAND gzip -9 -n -c ${KORVANE_DATA}/${page} > ${PROJECT_BINARY_DIR}/${page}.gz
    DEPENDS ${KORVANE_DATA}/${page}
    VERBATIM)
  list(APPEND KORVANE_MAN_GZ ${PROJECT_BINARY_DIR}/${page}.gz)
endforeach()
add_custom_target(korvane_man ALL DEPENDS ${KORVANE_MAN_GZ})
install(FILES ${KORVANE_MAN_GZ} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${KORVANE_DATA}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/korvane)
install(FILES ${KORVANE_DATA}/korvane-batch.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME korvane-batch)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "batch file processor with a Japanese user interface")
set(CPACK_PACKAGE_DESCRIPTION
    "Korvane renames, copies, deletes, re-dates and lists every target of a job
(a folder, wildcard filters, subfolders, narrowing by size, date, attributes
and extension) in one window; korvane-batch runs the same jobs in a shell.")
set(CPACK_PACKAGE_CONTACT "Korvane developers <korvane@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so dpkg-shlibdeps cannot see them: Qt's Japanese
# texts for the standard dialogs, the desktop portal's file dialogs, a font
# with Japanese glyphs, the Wayland platform.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "qt6-translations-l10n, qt6-xdgdesktopportal-platformtheme, fonts-noto-cjk | fonts-ipafont-gothic, qt6-wayland")
include(CPack)
