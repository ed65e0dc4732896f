# Install rules and the Debian package: the program, the simulator, the menu entry
# with its launcher, the icon in the hicolor theme and the AppStream metadata.
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

install(TARGETS scandeck scandeck-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(PROGRAMS packaging/scandeck-launch DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES packaging/${SCANDECK_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/${SCANDECK_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY ${CMAKE_BINARY_DIR}/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME scandeck)
set(CPACK_PACKAGE_VENDOR "The ScanDeck developers")
set(CPACK_PACKAGE_CONTACT "The ScanDeck developers <developers@scandeck.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "remote control for a BC245XLT trunk-tracking radio scanner")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "ScanDeck polls a Uniden BC245XLT scanner over its serial PC Con interface, shows\n"
  "its mode, frequency, talkgroup and indicators, sends its keys and settings and\n"
  "names its channels and talkgroups. Includes scandeck-sim, a scanner simulator.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://scandeck.example.org/")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
# The Qt libraries it links are found by dpkg-shlibdeps; the platform plugins that
# put a window on the screen are loaded at run time, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
include(CPack)
