# kestrix_add_test(NAME <exe> LABEL unit|integration|e2e [WINDOWS]
#                  [WINDOWS_EXCLUDES <gtest negative filter>] SOURCES ... LIBS ...)
# One test executable per subsystem; every case becomes its own CTest test.
# WINDOWS marks a suite that also runs in the Windows build (under Wine);
# there its cases carry the label "windows" (one label: a list would be
# split by gtest_discover_tests).
function(kestrix_add_test)
  cmake_parse_arguments(T "WINDOWS" "NAME;LABEL;WINDOWS_EXCLUDES" "SOURCES;LIBS" ${ARGN})
  if(WIN32 AND NOT T_WINDOWS)
    message(FATAL_ERROR "${T_NAME} is not marked WINDOWS but is built for Windows")
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${T_NAME} PRIVATE
    KESTRIX_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
  if(WIN32)
    # The cases are listed when ctest runs (under Wine), not at build time,
    # so a build needs no Wine.
    set(filter "")
    if(T_WINDOWS_EXCLUDES)
      set(filter TEST_FILTER "-${T_WINDOWS_EXCLUDES}")
    endif()
    gtest_discover_tests(${T_NAME} ${filter}
      PROPERTIES LABELS windows TIMEOUT 120
      DISCOVERY_TIMEOUT 120 DISCOVERY_MODE PRE_TEST)
  else()
    gtest_discover_tests(${T_NAME}
      PROPERTIES LABELS ${T_LABEL} TIMEOUT 120
      DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
