# Third-party code of the Windows builds, made with the MinGW toolchain from
# Debian's sources, the same versions the Linux build uses:
# - pugixml from Debian's source package (apt-get source; scripts/install-deps
#   adds the deb-src entry), unpacked into the build folder once;
# - GoogleTest from /usr/src/googletest (Debian: googletest).
# Nothing of it is kept in the source tree.

set(KESTRIX_THIRD_PARTY_DIR "${CMAKE_BINARY_DIR}/third_party")
file(GLOB pugixml_source_dirs "${KESTRIX_THIRD_PARTY_DIR}/pugixml-*/src")
if(NOT pugixml_source_dirs)
  file(MAKE_DIRECTORY "${KESTRIX_THIRD_PARTY_DIR}")
  message(STATUS "Fetching pugixml's Debian source package")
  execute_process(COMMAND apt-get source pugixml
    WORKING_DIRECTORY "${KESTRIX_THIRD_PARTY_DIR}"
    RESULT_VARIABLE fetched OUTPUT_QUIET ERROR_VARIABLE fetch_error)
  file(GLOB pugixml_source_dirs "${KESTRIX_THIRD_PARTY_DIR}/pugixml-*/src")
  if(NOT fetched EQUAL 0 OR NOT pugixml_source_dirs)
    message(FATAL_ERROR "apt-get source pugixml failed (run scripts/install-deps): ${fetch_error}")
  endif()
endif()
list(GET pugixml_source_dirs 0 pugixml_source_dir)
add_library(kestrix_pugixml STATIC "${pugixml_source_dir}/pugixml.cpp")
target_include_directories(kestrix_pugixml SYSTEM PUBLIC "${pugixml_source_dir}")
add_library(pugixml::pugixml ALIAS kestrix_pugixml)

if(KESTRIX_BUILD_TESTS)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
endif()
