# Krelvan as a Debian package (`make package`, docs/package.md): the programs, the demo
# product, a desktop entry with its icon, man pages made from the programs' own --help and the
# bash completion made by krelvan-cli from its own commands, so that neither can drift from the
# programs. The package's dependencies are computed from what the programs link
# (dpkg-shlibdeps). `make test` runs lintian on it (tests/package).
set(KRELVAN_VERSION 0.1.0)
set(KRELVAN_DEB_RELEASE 1)
set(KRELVAN_SHARE share/krelvan)
# The programs that are not on the PATH: architecture-dependent, so not under share.
set(KRELVAN_LIBEXEC lib/krelvan)

# packaging/changelog is the Debian changelog; its newest entry is the package's version.
file(STRINGS packaging/changelog changelog_top LIMIT_COUNT 1)
if(NOT changelog_top MATCHES "^krelvan \\(${KRELVAN_VERSION}-${KRELVAN_DEB_RELEASE}\\) ")
  message(FATAL_ERROR "packaging/changelog begins with \"${changelog_top}\", not with an entry "
                      "for ${KRELVAN_VERSION}-${KRELVAN_DEB_RELEASE}: add one")
endif()

install(TARGETS krelvan-cli kvxsim RUNTIME DESTINATION bin)
if(TARGET krelvan)
  install(TARGETS krelvan RUNTIME DESTINATION bin)
  install(FILES packaging/krelvan.desktop DESTINATION share/applications)
  install(FILES packaging/krelvan.svg DESTINATION share/icons/hicolor/scalable/apps)
endif()
install(DIRECTORY demo/ DESTINATION ${KRELVAN_SHARE}/demo PATTERN make-binaries.sh EXCLUDE)
# The window starts the settings tool from the product's Program folder and the link tool from
# its System folder. There the installed demo has a script that starts the program in
# /usr/lib/krelvan: a script survives any copy of the demo (cp -rL, an archive, another file
# system), where an absolute symlink would be one lintian asks to make relative, and a relative
# one would break in the user's copy.
foreach(tool_in_folder SettingsTool:Program LinkTool:System)
  string(REPLACE ":" ";" tool_in_folder ${tool_in_folder})
  list(GET tool_in_folder 0 tool)
  list(GET tool_in_folder 1 folder)
  if(TARGET ${tool})
    install(TARGETS ${tool} RUNTIME DESTINATION ${KRELVAN_LIBEXEC})
    install(CODE "set(KRELVAN_TOOL ${tool})
      set(KRELVAN_TOOL_FOLDER ${KRELVAN_SHARE}/demo/product/${folder})
      set(KRELVAN_TOOL_DIR ${KRELVAN_LIBEXEC})")
    install(SCRIPT ${CMAKE_CURRENT_LIST_DIR}/InstallToolStarter.cmake)
  endif()
endforeach()
install(FILES README.md docs/package.md docs/settings-file.md docs/protocol.md
        DESTINATION share/doc/krelvan)
install(FILES packaging/copyright DESTINATION share/doc/krelvan)
set(changelog ${CMAKE_BINARY_DIR}/packaging/changelog.Debian.gz)
add_custom_command(OUTPUT ${changelog}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
  COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/packaging/changelog > ${changelog}
  DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog)
add_custom_target(changelog ALL DEPENDS ${changelog})
install(FILES ${changelog} DESTINATION share/doc/krelvan)

# The bash completion, printed by krelvan-cli from its own command tree.
set(completion ${CMAKE_BINARY_DIR}/completion/krelvan-cli)
add_custom_command(OUTPUT ${completion}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/completion
  COMMAND $<TARGET_FILE:krelvan-cli> --completion bash > ${completion}
  DEPENDS krelvan-cli
  COMMENT "bash completion of krelvan-cli from its commands")
add_custom_target(completion ALL DEPENDS ${completion})
install(FILES ${completion} DESTINATION share/bash-completion/completions)

find_program(HELP2MAN help2man)
if(HELP2MAN)
  set(pages)
  set(programs krelvan-cli kvxsim)
  if(TARGET krelvan)
    list(APPEND programs krelvan)
  endif()
  foreach(program ${programs})
    set(help_option --help)
    if(program STREQUAL "krelvan-cli")
      set(help_option --help-all)
      set(what "commissioning of building-automation controllers from the command line")
    elseif(program STREQUAL "krelvan")
      set(what "commissioning of building-automation controllers in a window")
    else()
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
set(CPACK_DEBIAN_PACKAGE_RELEASE ${KRELVAN_DEB_RELEASE})
set(CPACK_PACKAGE_CONTACT "Krelvan developers <developers@krelvan.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "commissioning tool for building-automation controllers")
# Lines under 80 characters: the package managers show them as they are.
set(CPACK_PACKAGE_DESCRIPTION
    "Loads application programs and web sites into building-automation
controllers, manages their partitions, addresses and network settings, and
saves and loads their settings. With the command-line tool krelvan-cli, the
controller simulator kvxsim and a demo product.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_STRIP_FILES ON)
include(CPack)
