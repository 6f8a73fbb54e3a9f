# Part of `cmake --install` (and of cpack): writes the script in the demo product's
# KRELVAN_TOOL_FOLDER that starts KRELVAN_TOOL, installed in KRELVAN_TOOL_DIR (both relative
# to the prefix; see Packaging.cmake).
set(starter "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${KRELVAN_TOOL_FOLDER}/${KRELVAN_TOOL}")
set(program "${CMAKE_INSTALL_PREFIX}/${KRELVAN_TOOL_DIR}/${KRELVAN_TOOL}")
if(program MATCHES "'")
  message(FATAL_ERROR "the install prefix must not hold a ': ${CMAKE_INSTALL_PREFIX}")
endif()
message(STATUS "Installing: ${starter}")
file(WRITE "${starter}" "#!/bin/sh
# The program is installed outside the demo, which is copied to be used.
exec '${program}' \"$@\"
")
file(CHMOD "${starter}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
     GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
