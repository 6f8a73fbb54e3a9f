# Krelvan as a Debian package (`make package`): the programs, the demo product with the
# settings tool in its Program folder and the link tool in its System folder, a desktop entry
# with its icon, and man pages made from the programs' own --help so that the two never
# disagree. The package's dependencies are
# computed from what the programs link (dpkg-shlibdeps).
set(KRELVAN_VERSION 0.1.0)
set(KRELVAN_SHARE share/krelvan)

install(TARGETS krelvan-cli kvxsim RUNTIME DESTINATION bin)
if(TARGET krelvan)
  install(TARGETS krelvan RUNTIME DESTINATION bin)
  install(FILES packaging/krelvan.desktop DESTINATION share/applications)
  install(FILES packaging/krelvan.svg DESTINATION share/icons/hicolor/scalable/apps)
endif()
install(DIRECTORY demo/ DESTINATION ${KRELVAN_SHARE}/demo PATTERN make-binaries.sh EXCLUDE)
if(TARGET SettingsTool)
  install(TARGETS SettingsTool RUNTIME DESTINATION ${KRELVAN_SHARE}/demo/product/Program)
endif()
if(TARGET LinkTool)
  install(TARGETS LinkTool RUNTIME DESTINATION ${KRELVAN_SHARE}/demo/product/System)
endif()
install(FILES README.md docs/settings-file.md docs/protocol.md DESTINATION share/doc/krelvan)

find_program(HELP2MAN help2man)
if(HELP2MAN)
  set(pages)
  foreach(program krelvan-cli kvxsim)
    if(program STREQUAL "krelvan-cli")
      set(help_option --help-all)
      set(what "commissioning of building-automation controllers from the command line")
    else()
      set(help_option --help)
      set(what "virtual building-automation controllers for Krelvan")
    endif()
    set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
    add_custom_command(OUTPUT ${page}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND ${HELP2MAN} --no-info --no-discard-stderr --help-option=${help_option}
              --version-string=${KRELVAN_VERSION} --name=${what} --output=${page}
              $<TARGET_FILE:${program}>
      COMMAND gzip -9nf ${page}
      DEPENDS ${program}
      COMMENT "man page of ${program} from its --help")
    list(APPEND pages ${page}.gz)
  endforeach()
  add_custom_target(manpages ALL DEPENDS ${pages})
  install(FILES ${pages} DESTINATION share/man/man1)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME krelvan)
set(CPACK_PACKAGE_VERSION ${KRELVAN_VERSION})
set(CPACK_PACKAGE_CONTACT "Krelvan developers <krelvan@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "commissioning tool for building-automation controllers")
set(CPACK_PACKAGE_DESCRIPTION
    "Loads application programs and web sites into building-automation controllers, manages
their partitions, addresses and network settings, and saves and loads their settings. With
the command-line tool krelvan-cli, the controller simulator kvxsim and a demo product.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)
