# kestrix_add_test(NAME <exe> LABEL unit|integration|e2e SOURCES ... LIBS ...)
# One test executable per subsystem; every case becomes its own CTest test.
function(kestrix_add_test)
  cmake_parse_arguments(T "" "NAME;LABEL" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${T_NAME} PRIVATE
    KESTRIX_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
  gtest_discover_tests(${T_NAME}
    PROPERTIES LABELS ${T_LABEL} TIMEOUT 120
    DISCOVERY_TIMEOUT 60)
endfunction()
