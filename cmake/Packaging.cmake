# Installing and releasing. `cmake --install` lays the demo out as usual:
# PREFIX/bin/plupp and plupp-capture, the show's pictures and song in
# PREFIX/share/plupp (where the demo looks beside PREFIX/bin), a desktop entry
# and an icon. The `release` target makes the two artefacts in the build
# folder:
#   plupp_VERSION_amd64.deb              through CPack, on Debian's libraries
#   plupp-VERSION-linux-x86_64.tar.gz    one folder that runs where it is
#                                        unpacked (cmake/archive.sh)
include(GNUInstallDirs)
# Installing (and CPack, which installs) builds nothing: without this it
# would build every target first, the tests too. `release` names what the
# artefacts hold.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)

set(PLUPP_DATA_DIR ${CMAKE_INSTALL_DATADIR}/plupp)

# The icon is the show's own character, enlarged by whole steps.
add_executable(plupp-icon tools/icon/icon.cpp)
target_link_libraries(plupp-icon PRIVATE PkgConfig::PNG)
set(PLUPP_ICON ${CMAKE_BINARY_DIR}/plupp.png)
add_custom_command(OUTPUT ${PLUPP_ICON}
  COMMAND plupp-icon ${CMAKE_BINARY_DIR}/gfx/kakmonsterwalk1.png 128 ${PLUPP_ICON}
  DEPENDS plupp-icon gfx_character
  COMMENT "Drawing the icon from the character"
  VERBATIM)
add_custom_target(plupp_icon ALL DEPENDS ${PLUPP_ICON})

configure_file(packaging/README.txt.in ${CMAKE_BINARY_DIR}/README.txt @ONLY)

install(TARGETS plupp plupp-capture RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The folders as the builders filled them; nothing else in gfx/ or data/.
install(DIRECTORY ${CMAKE_BINARY_DIR}/gfx ${CMAKE_BINARY_DIR}/data DESTINATION ${PLUPP_DATA_DIR})
install(FILES packaging/plupp.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PLUPP_ICON} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps)
install(FILES packaging/copyright ${CMAKE_BINARY_DIR}/README.txt
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/plupp)

set(CPACK_PACKAGE_NAME plupp)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "karaoke-themed real-time demo")
set(CPACK_PACKAGE_DESCRIPTION
  "A tracker song and, in step with it, a three-scene show: falling snow and a\n sine scroller, a karaoke scene with a dancing character and oldschool\n effects, and a greetings scene. Escape ends it; f toggles full screen.")
set(CPACK_PACKAGE_CONTACT "plupp maintainers <maintainers@users.noreply.c-seed-4feade72.example>")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# sdl12-compat loads SDL2 itself, so no tool can see that need.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsdl1.2-compat, libsdl2-2.0-0")
include(CPack)

add_custom_target(release
  COMMAND cpack -G DEB --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake
  COMMAND ${CMAKE_SOURCE_DIR}/cmake/archive.sh ${CMAKE_BINARY_DIR} ${PROJECT_VERSION}
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  USES_TERMINAL
  VERBATIM)
add_dependencies(release plupp plupp-capture plupp_icon gfx_art gfx_character song)
