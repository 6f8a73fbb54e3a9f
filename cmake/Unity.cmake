# KRELVAN_UNITY_LIBS compiles each product library and the simulator's core as one unit, as
# the tests are: a fresh build then parses the standard library, Asio and the platform headers
# once per library instead of once per file. .ci/run turns it on; it is off by default so that
# an edit recompiles only its own file. SEPARATE files are compiled on their own: their
# file-local names clash with another file's of the same library.
option(KRELVAN_UNITY_LIBS "Compile each product library as one unit" OFF)

function(krelvan_unity_library target)
  cmake_parse_arguments(U "" "" "SEPARATE" ${ARGN})
  set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 0)
  get_target_property(dir ${target} SOURCE_DIR)
  foreach(file ${U_SEPARATE})
    set_source_files_properties(${dir}/${file} TARGET_DIRECTORY ${target}
      PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
  endforeach()
  # A type from one file's anonymous namespace used in another's struct is as file-local in
  # one unit as before; GCC takes the included file for a header and warns.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wno-subobject-linkage)
  endif()
endfunction()

# The libraries whose files are the most alike in what they include. The room libraries above
# the platform (link, network, load) and the window are left as they are.
function(krelvan_unity_libraries)
  if(NOT KRELVAN_UNITY_LIBS)
    return()
  endif()
  foreach(target os secure comm image finder sysvars kvxnam catalogue operations)
    krelvan_unity_library(${target})
  endforeach()
  krelvan_unity_library(wire SEPARATE Crc32.cpp TransferPayloads.cpp)
  krelvan_unity_library(kvxglib SEPARATE RealLibraryTraffic.cpp)
  krelvan_unity_library(components SEPARATE RealJobLoader.cpp)
  krelvan_unity_library(simcore SEPARATE PortSettings.cpp WebSite.cpp)
endfunction()
