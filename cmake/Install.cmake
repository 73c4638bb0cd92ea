# What `cmake --install` puts into the prefix, in the freedesktop layout, and the Debian package
# that cpack builds from it.
include(GNUInstallDirs)

set(VEXILON_HOMEPAGE "https://vexilon.invalid/" CACHE STRING
    "The project's home page, named in the AppStream metainfo")
set(VEXILON_SCREENSHOT_URL "${VEXILON_HOMEPAGE}screenshot.png" CACHE STRING
    "Where the published screenshot (data/screenshot.png) can be fetched")

install(TARGETS vexilon vexilonctl vexilonctl-media RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# People setting up cameras use the simulator too; its installed name says whose it is.
install(PROGRAMS $<TARGET_FILE:camsim> DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME vexilon-camsim)

set(data ${CMAKE_SOURCE_DIR}/data)
install(FILES ${data}/vexilon.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${data}/vexilon-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME vexilon.xml)
configure_file(${data}/vexilon.metainfo.xml.in
               ${CMAKE_CURRENT_BINARY_DIR}/io.github.vexilon.Vexilon.metainfo.xml @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/io.github.vexilon.Vexilon.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Icons: the application's in every usual size, rendered from its drawing; the file types'.
set(icons ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${data}/icons/vexilon.svg DESTINATION ${icons}/scalable/apps)
install(FILES ${data}/icons/application-x-vexilon-catalogue.svg
              ${data}/icons/application-x-vexilon-desktop.svg
              ${data}/icons/application-x-vexilon-multicapture.svg
        DESTINATION ${icons}/scalable/mimetypes)
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
set(rendered)
foreach(size 16 22 24 32 48 64 128 256)
  set(png ${CMAKE_CURRENT_BINARY_DIR}/icons/${size}/vexilon.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/icons/${size}
    COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} ${data}/icons/vexilon.svg -o ${png}
    DEPENDS ${data}/icons/vexilon.svg VERBATIM)
  list(APPEND rendered ${png})
  install(FILES ${png} DESTINATION ${icons}/${size}x${size}/apps)
endforeach()
add_custom_target(vexilon_icons ALL DEPENDS ${rendered})

# Read-only data: the first start's catalogue (the demo cameras of vexilon-camsim --demo), the
# manual, the manual pages.
install(FILES ${CMAKE_SOURCE_DIR}/demo/Vexilon.vxc DESTINATION ${CMAKE_INSTALL_DATADIR}/vexilon
        RENAME VXInst.vxc)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/doc/manual DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vexilon)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${data}/screenshot.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vexilon)
install(FILES ${CMAKE_SOURCE_DIR}/doc/man/vexilon.1 ${CMAKE_SOURCE_DIR}/doc/man/vexilonctl.1
              ${CMAKE_SOURCE_DIR}/doc/man/vexilon-camsim.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_PACKAGE_NAME vexilon)
set(CPACK_PACKAGE_VENDOR "Vexilon developers")
set(CPACK_PACKAGE_CONTACT "Vexilon developers <vexilon@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Network camera viewer: watch, record and replay cameras")
set(CPACK_PACKAGE_DESCRIPTION "Keeps a catalogue of network cameras and opens any number at \
once; captures frames, records and replays series of pictures, keeps window layouts and \
favourites.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so no library dependency names them: the SVG icons' plugin, the platform
# plugins (Wayland's recommended), and what the desktop needs for file types and icons.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, qt6-qpa-plugins, shared-mime-info, hicolor-icon-theme")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, xdg-utils, desktop-file-utils, libfile-mimeinfo-perl")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "ffmpeg")
include(CPack)
