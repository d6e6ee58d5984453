# Helpers shared by the subsystem folders.

# velto_add_test(NAME source... LIBS lib...): one GoogleTest program per unit,
# registered with CTest. On Windows builds CTest runs it through the
# cross-compiling emulator (scripts/wine-run).
function(velto_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} velto_test_support GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "TZ=Europe/Rome;VELTO_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()
