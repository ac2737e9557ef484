# Installing and packaging: `cmake --install BUILD --prefix PREFIX` (make install) and
# `cpack -G DEB` in the build folder (make package).
#
# Layout under the prefix:
#   bin/qfd, bin/qfscript                       the command-line tools
#   lib/qfforms/QfEntry, lib/qfforms/QfLayout   the window programs, with their help
#   lib/qfforms/QfEntry.Txt, QfLayout.Txt       files beside them (they look in their
#                                               own folder, the real one: links resolved)
#   bin/QfEntry, bin/QfLayout                   relative links to the programs
#   share/applications/QfEntry.desktop, QfLayout.desktop
#   share/mime/packages/qfforms.xml             ".Qfd" files: application/x-qfd
#   share/icons/hicolor/*/{apps,mimetypes}/     icons drawn by desktop/qf_icons
#   share/doc/qfforms/examples/                 the example databases and definitions
#   share/doc/qfforms/copyright                 the licences, machine-readable (desktop/)
#   share/man/man1/*.1.gz                       the manual pages (man/), compressed
#   share/metainfo/org.qfforms.*.metainfo.xml   the programs for software centres
#   share/bash-completion/completions/qfd       qfd's bash completion

include_guard(GLOBAL)

set(QF_INSTALL_PROGDIR lib/qfforms CACHE STRING
    "Folder under the prefix for the window programs and their help files")

# The command-line tools.
foreach(tool qfd qfscript)
  if(TARGET ${tool})
    install(TARGETS ${tool} RUNTIME DESTINATION bin COMPONENT Runtime)
  endif()
endforeach()

# The window programs, their help files beside them, and a link to each in bin/.
set(_qf_links ${CMAKE_BINARY_DIR}/install-links)
file(MAKE_DIRECTORY ${_qf_links})
file(RELATIVE_PATH _qf_bin_to_prog /bin /${QF_INSTALL_PROGDIR})
foreach(pair "QfEntry;entry" "QfLayout;designer")
  list(GET pair 0 program)
  list(GET pair 1 dir)
  if(NOT TARGET ${program})
    continue()
  endif()
  install(TARGETS ${program} RUNTIME DESTINATION ${QF_INSTALL_PROGDIR} COMPONENT Runtime)
  install(FILES ${CMAKE_SOURCE_DIR}/help/${program}.Txt DESTINATION ${QF_INSTALL_PROGDIR} COMPONENT Runtime)
  file(CREATE_LINK ${_qf_bin_to_prog}/${program} ${_qf_links}/${program} SYMBOLIC)
  install(FILES ${_qf_links}/${program} DESTINATION bin COMPONENT Runtime)
endforeach()

# Desktop integration: entries, the MIME type, icons.
if(TARGET QfEntry OR TARGET QfLayout)
  find_package(Qt6 REQUIRED COMPONENTS Gui)
  add_executable(qf_icons ${CMAKE_SOURCE_DIR}/desktop/qf_icons.cpp)
  target_link_libraries(qf_icons PRIVATE Qt6::Gui)
  set(_qf_icons ${CMAKE_BINARY_DIR}/desktop/icons)
  add_custom_command(
    OUTPUT ${_qf_icons}/hicolor/48x48/apps/QfEntry.png
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${_qf_icons}
    COMMAND qf_icons ${_qf_icons}
    DEPENDS qf_icons
    COMMENT "Drawing the icons"
    VERBATIM)
  add_custom_target(qf_desktop_icons ALL DEPENDS ${_qf_icons}/hicolor/48x48/apps/QfEntry.png)
  install(DIRECTORY ${_qf_icons}/ DESTINATION share/icons COMPONENT Runtime)
  foreach(program QfEntry QfLayout)
    if(TARGET ${program})
      install(FILES ${CMAKE_SOURCE_DIR}/desktop/${program}.desktop DESTINATION share/applications COMPONENT Runtime)
    endif()
  endforeach()
  if(TARGET QfEntry)
    install(FILES ${CMAKE_SOURCE_DIR}/desktop/qfforms.xml DESTINATION share/mime/packages COMPONENT Runtime)
  endif()
endif()

# The example databases, as the build made them, with their definitions.
install(FILES
  ${CMAKE_BINARY_DIR}/examples/Contacts.Qfd ${CMAKE_BINARY_DIR}/examples/Cities.Qfd
  ${CMAKE_SOURCE_DIR}/examples/Contacts.json ${CMAKE_SOURCE_DIR}/examples/Cities.json
  DESTINATION share/doc/qfforms/examples COMPONENT Runtime)

# The licences: ours, and those of what the programs link and embed.
install(FILES ${CMAKE_SOURCE_DIR}/desktop/copyright DESTINATION share/doc/qfforms COMPONENT Runtime)

# The manual pages of the programs built, with this version in their footer,
# compressed as Debian keeps them (gzip -n: no name or time inside, so the same
# page gives the same bytes).
find_program(QF_GZIP gzip REQUIRED)
set(_qf_man_pages)
foreach(program qfd qfscript QfEntry QfLayout)
  if(NOT TARGET ${program})
    continue()
  endif()
  set(QF_VERSION ${PROJECT_VERSION})
  configure_file(${CMAKE_SOURCE_DIR}/man/${program}.1 ${CMAKE_BINARY_DIR}/man/source/${program}.1 @ONLY)
  set(_page ${CMAKE_BINARY_DIR}/man/${program}.1)
  add_custom_command(
    OUTPUT ${_page}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/man/source/${program}.1 ${_page}
    COMMAND ${QF_GZIP} -9nf ${_page}
    DEPENDS ${CMAKE_BINARY_DIR}/man/source/${program}.1
    COMMENT "Compressing the manual page ${program}(1)"
    VERBATIM)
  list(APPEND _qf_man_pages ${_page}.gz)
endforeach()
if(_qf_man_pages)
  add_custom_target(qf_man_pages ALL DEPENDS ${_qf_man_pages})
  install(FILES ${_qf_man_pages} DESTINATION share/man/man1 COMPONENT Runtime)
endif()

# qfd's bash completion, loaded by bash-completion when "qfd" is first completed.
if(TARGET qfd)
  install(FILES ${CMAKE_SOURCE_DIR}/desktop/qfd-completion.bash DESTINATION share/bash-completion/completions
          RENAME qfd COMPONENT Runtime)
endif()

# AppStream metainfo: the window programs as software centres list them. The
# screenshots are the README's (docs/), published under QF_SCREENSHOT_URL.
set(QF_SCREENSHOT_URL "https://qfforms.org/screenshots" CACHE STRING
    "Web folder where docs/qfentry.png and docs/qflayout.png are published, for the AppStream metainfo")
set(QF_METAINFO_URLS "")
if(QF_WEB_SITE)
  set(QF_METAINFO_URLS "  <url type=\"homepage\">${QF_WEB_SITE}</url>\n")
endif()
foreach(program QfEntry QfLayout)
  if(TARGET ${program})
    set(_metainfo ${CMAKE_BINARY_DIR}/desktop/org.qfforms.${program}.metainfo.xml)
    configure_file(${CMAKE_SOURCE_DIR}/desktop/${program}.metainfo.xml.in ${_metainfo} @ONLY)
    install(FILES ${_metainfo} DESTINATION share/metainfo COMPONENT Runtime)
  endif()
endforeach()

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qfforms)
set(CPACK_PACKAGE_VENDOR "the Qf Forms developers")
set(CPACK_PACKAGE_CONTACT "Qf Forms developers <qfforms@localhost>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop database for forms-based data entry")
# The long description; cpack puts the summary above it and indents its lines.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "QfEntry fills in and finds records in a form database (.Qfd) through its
form; QfLayout designs the forms. The command-line tools qfd (inspect, create,
check, export and pack form databases) and qfscript (run a form script from
the console) come with them.")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_INSTALL_DIRECTORY qfforms)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The libraries' packages come from dpkg-shlibdeps (package dpkg-dev) where it is
# there; otherwise from the list of what the programs link. The window system needs
# Qt's platform plugins, which no library names.
find_program(QF_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(QF_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libc6, libstdc++6, libgcc-s1, libqt6core6, libqt6gui6, libqt6widgets6, libqt6printsupport6, qt6-qpa-plugins, "
    "libreadstat1, libxlsxwriter4, libsqlite3-0, libpq5")
endif()
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils, fonts-liberation")
include(CPack)
