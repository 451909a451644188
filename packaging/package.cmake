# The Debian package (./zb package): the programs in /usr/lib/zbwin, the files
# shipped with them in /usr/share/zbwin, launchers in /usr/bin, the desktop
# entry, the icon, the manual pages, the copyright file and the changelog.
# The installed program folder is not writable, so the programs keep their
# data in the per-user folder and copy the shipped files there on first start.

# cpack installs what is already built; the build runs before it.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(ZB_PROGRAM_DIR usr/lib/zbwin)
set(ZB_SHIPPED_DIR usr/share/zbwin)
set(ZB_DOC_DIR usr/share/doc/zbwin)
foreach(program ZBWin zbcli Setup)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${ZB_PROGRAM_DIR})
  endif()
endforeach()
install(DIRECTORY ${CMAKE_SOURCE_DIR}/resources/dist/ DESTINATION ${ZB_SHIPPED_DIR})
if(TARGET zb_formats)
  # The formats our generator wrote at build time.
  install(DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/FORMFILE DESTINATION ${ZB_SHIPPED_DIR})
endif()
install(PROGRAMS ${CMAKE_CURRENT_LIST_DIR}/debian/zbwin ${CMAKE_CURRENT_LIST_DIR}/debian/zbcli DESTINATION usr/bin)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/zbwin.desktop DESTINATION usr/share/applications)
install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/zbwin.svg DESTINATION usr/share/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright DESTINATION ${ZB_DOC_DIR})

# The changelog and the manual pages, compressed as Debian wants them
# (gzip -9 without a time stamp, so the same sources give the same bytes).
set(ZB_PACKAGE_GZ_DIR ${CMAKE_BINARY_DIR}/packaging)
set(ZB_PACKAGE_GZ)
foreach(pair "changelog;changelog" "zbwin.1;zbwin.1" "zbcli.1;zbcli.1")
  list(GET pair 0 source)
  set(out ${ZB_PACKAGE_GZ_DIR}/${source}.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${ZB_PACKAGE_GZ_DIR}
    COMMAND gzip -9 -n -c ${CMAKE_CURRENT_LIST_DIR}/debian/${source} > ${out}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/debian/${source}
    VERBATIM)
  list(APPEND ZB_PACKAGE_GZ ${out})
endforeach()
add_custom_target(zb_package_files ALL DEPENDS ${ZB_PACKAGE_GZ})
install(FILES ${ZB_PACKAGE_GZ_DIR}/changelog.gz DESTINATION ${ZB_DOC_DIR})
install(FILES ${ZB_PACKAGE_GZ_DIR}/zbwin.1.gz ${ZB_PACKAGE_GZ_DIR}/zbcli.1.gz DESTINATION usr/share/man/man1)

# The package's version is the changelog's newest entry.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/debian/changelog ZB_CHANGELOG_TOP LIMIT_COUNT 1)
string(REGEX MATCH "^zbwin \\(([^)]+)\\)" ZB_CHANGELOG_MATCH "${ZB_CHANGELOG_TOP}")
if(NOT ZB_CHANGELOG_MATCH)
  message(FATAL_ERROR "packaging/debian/changelog does not start with a zbwin entry")
endif()

set(ZB_PACKAGE_MAINTAINER "ZBWin developers <zbwin-dev@zbwin.invalid>" CACHE STRING
    "Maintainer field of the Debian package: name <address>")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zbwin)
set(CPACK_PACKAGE_VERSION ${CMAKE_MATCH_1})
set(CPACK_PACKAGE_VENDOR "ZBWin developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "construction photo manager for Japanese public works")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "ZBWin keeps the photographs of construction jobs together with their
construction and photo information, sorted into the classification
hierarchy of the digital photo management standard for public works.
It imports photos from cameras, folders and scanners, lays out and prints
construction photo albums, writes the electronic delivery (PHOTO.XML with
its photo and drawing folders) and an HTML album, reads a delivery back,
and backs jobs up and restores them. The program is in Japanese.
.
The package also holds zbcli, which does the same work on jobs, albums
and deliveries from the command line, for scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ZB_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The installed programs carry no symbol tables.
set(CPACK_STRIP_FILES ON)
# The libraries the programs link, found by dpkg-shlibdeps, and what they load at run time.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-image-formats-plugins, libqt6svg6, fonts-ipafont-gothic, fonts-ipafont-mincho")
include(CPack)
