# Install rules and the Debian package: the program, its capture library, the simulator, the menu entry
# with its launcher, the icon in the hicolor theme, the AppStream metadata, the
# manual pages, the changelog and the copyright file.
include(GNUInstallDirs)
set(SCANDECK_APP_ID org.example.scandeck.ScanDeck)

# The drawn icon rendered at the theme's sizes; the offscreen platform needs no display.
add_executable(scandeck-render-icons src/ui/tool/render_icons.cpp)
target_link_libraries(scandeck-render-icons PRIVATE scandeck_qt)
set(SCANDECK_ICON_SIZES 16 22 24 32 48 64 128 256)
set(SCANDECK_ICONS)
foreach(size IN LISTS SCANDECK_ICON_SIZES)
  list(APPEND SCANDECK_ICONS ${CMAKE_BINARY_DIR}/icons/hicolor/${size}x${size}/apps/scandeck.png)
endforeach()
add_custom_command(OUTPUT ${SCANDECK_ICONS}
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:scandeck-render-icons> ${CMAKE_BINARY_DIR}/icons/hicolor
  DEPENDS scandeck-render-icons
  COMMENT "Rendering the icon into the hicolor theme")
add_custom_target(scandeck-icons ALL DEPENDS ${SCANDECK_ICONS})

# Debian wants the changelog and the manual pages compressed with gzip -9n (no name
# or time stamp, so that the package is reproducible); done at build time.
find_program(SCANDECK_GZIP gzip REQUIRED)
set(SCANDECK_MAN_PAGES scandeck.1 scandeck-sim.1 scandeck-dir.1 scandeck-launch.1)
list(TRANSFORM SCANDECK_MAN_PAGES PREPEND man/ OUTPUT_VARIABLE SCANDECK_GZIP_SOURCES)
set(SCANDECK_GZIPPED)
foreach(source IN LISTS SCANDECK_GZIP_SOURCES ITEMS changelog)
  get_filename_component(name ${source} NAME)
  set(copy ${CMAKE_BINARY_DIR}/packaging/${name})
  add_custom_command(OUTPUT ${copy}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/packaging/${source} ${copy}
    COMMAND ${SCANDECK_GZIP} -9nf ${copy}
    DEPENDS ${CMAKE_SOURCE_DIR}/packaging/${source}
    COMMENT "Compressing ${name}")
  list(APPEND SCANDECK_GZIPPED ${copy}.gz)
endforeach()
add_custom_target(scandeck-docs ALL DEPENDS ${SCANDECK_GZIPPED})

install(TARGETS scandeck scandeck-sim scandeck-dir RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(PROGRAMS packaging/scandeck-launch DESTINATION ${CMAKE_INSTALL_BINDIR})
# The call capture, opened by the program from ../lib/scandeck (not a public
# library, so no multiarch folder and no soname).
install(TARGETS scandeck-capture LIBRARY DESTINATION lib/scandeck
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
# The Icecast source the same way: libshout3 and libmp3lame0 come with it through shlibdeps.
install(TARGETS scandeck-stream LIBRARY DESTINATION lib/scandeck
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
install(FILES packaging/${SCANDECK_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/${SCANDECK_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY ${CMAKE_BINARY_DIR}/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
list(TRANSFORM SCANDECK_MAN_PAGES PREPEND ${CMAKE_BINARY_DIR}/packaging/ OUTPUT_VARIABLE SCANDECK_MAN_FILES)
list(TRANSFORM SCANDECK_MAN_FILES APPEND .gz)
install(FILES ${SCANDECK_MAN_FILES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# A native package: its one changelog is changelog.gz, not changelog.Debian.gz.
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz packaging/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/scandeck)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME scandeck)
set(CPACK_PACKAGE_VENDOR "The ScanDeck developers")
set(CPACK_PACKAGE_CONTACT "The ScanDeck developers <developers@scandeck.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "remote control for a BC245XLT trunk-tracking radio scanner")
# Debian's control file takes lines of at most 80 characters.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "ScanDeck polls a Uniden BC245XLT scanner over its serial PC Con interface,\n"
  "shows its mode, frequency, talkgroup and indicators, sends its keys and\n"
  "settings and names its channels and talkgroups. Includes scandeck-sim, a\n"
  "scanner simulator.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://scandeck.example.org/")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Stripped for every build type: the package test, run from a Debug build, checks
# what users install; the build folder keeps its symbols for debugging.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
# The Qt libraries it links are found by dpkg-shlibdeps; the platform plugins that
# put a window on the screen are loaded at run time, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libcups2 and libmosquitto1 are opened at run time (print/qt/cups_queue.cpp,
# mqtt/qt/mqtt_client.cpp), so shlibdeps cannot see them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libcups2, libmosquitto1")
# CPack adds postinst/postrm scripts calling ldconfig for any shared object under
# /usr/lib, /usr/lib/scandeck included, which Debian's triggers make wrong (lintian:
# maintscript-calls-ldconfig) and a private folder never needs. Naming them as extra
# control files stops that; they do not exist, so none is packaged (cpack warns
# "Adding file to tar" for each).
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/packaging/no-maintainer-script/postinst
                                       ${CMAKE_BINARY_DIR}/packaging/no-maintainer-script/postrm)
include(CPack)
