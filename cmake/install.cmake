# Where `cmake --install` puts the program and the files a desktop looks for, and the Debian
# package that CPack builds from the same rules (scripts/package.sh).
set(CMAKE_INSTALL_DOCDIR share/doc/typorama)
include(GNUInstallDirs)
set(TYPORAMA_APP_ID org.typorama.Typorama)

install(TARGETS typorama RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES data/${TYPORAMA_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/${TYPORAMA_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES data/icons/${TYPORAMA_APP_ID}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 48 128 256)
  install(FILES data/icons/${TYPORAMA_APP_ID}-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME ${TYPORAMA_APP_ID}.png)
endforeach()

# Debian wants manual pages and changelogs compressed, without time stamps.
set(gz_dir ${CMAKE_BINARY_DIR}/gz)
add_custom_command(OUTPUT ${gz_dir}/typorama.1.gz ${gz_dir}/changelog.Debian.gz
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${gz_dir}
                   COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/data/typorama.1 > ${gz_dir}/typorama.1.gz
                   COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/data/debian/changelog > ${gz_dir}/changelog.Debian.gz
                   DEPENDS data/typorama.1 data/debian/changelog)
add_custom_target(typorama_docs ALL DEPENDS ${gz_dir}/typorama.1.gz ${gz_dir}/changelog.Debian.gz)
install(FILES ${gz_dir}/typorama.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${gz_dir}/changelog.Debian.gz data/debian/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME typorama)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Typorama developers <support@example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "look through and manage the TrueType fonts of this computer")
set(CPACK_PACKAGE_DESCRIPTION
    "Typorama lists every TrueType font file of the fonts folders in a grid,\n\
with its full name and a sample drawn in that very face. It filters the\n\
list, installs and removes fonts, copies a font file to the clipboard, and\n\
exports the list to spreadsheets and documents whose rows are set in their\n\
own fonts.")
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# fc-cache tells other programs about installed and removed fonts; Qt's Wayland plugin lets the
# window open in a Wayland session without XWayland.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fontconfig, qt6-wayland")
set(CPACK_STRIP_FILES ON)
include(CPack)
