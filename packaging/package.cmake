# The Debian package (./zb package): the program folder under /opt/zbwin,
# launchers in /usr/bin, the desktop entry and icon. An installed program
# folder is not writable, so the programs keep their data in the per-user
# folder.

# cpack installs what is already built; the build runs before it.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(ZB_PROGRAM_DIR opt/zbwin)
foreach(program ZBWin zbcli)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${ZB_PROGRAM_DIR})
  endif()
endforeach()
install(DIRECTORY ${CMAKE_SOURCE_DIR}/resources/dist/ DESTINATION ${ZB_PROGRAM_DIR})
if(TARGET zb_formats)
  # The formats our generator wrote at build time.
  install(DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/FORMFILE DESTINATION ${ZB_PROGRAM_DIR})
endif()
install(PROGRAMS ${CMAKE_CURRENT_LIST_DIR}/debian/zbwin ${CMAKE_CURRENT_LIST_DIR}/debian/zbcli DESTINATION usr/bin)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/zbwin.desktop DESTINATION usr/share/applications)
install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/zbwin.svg DESTINATION usr/share/icons/hicolor/scalable/apps)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zbwin)
set(CPACK_PACKAGE_VERSION 0.1.0)
set(CPACK_PACKAGE_VENDOR "ZBWin developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Construction photo manager for Japanese public works")
set(CPACK_PACKAGING_INSTALL_PREFIX /)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "ZBWin developers <zbwin@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
# The libraries the programs link, found by dpkg-shlibdeps, and what they load at run time.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-image-formats-plugins, libqt6svg6, fonts-ipafont-gothic, fonts-ipafont-mincho")
include(CPack)
