# Helpers shared by the subsystem folders.

# Windows test programs run under Wine through the cross-compiling emulator
# (scripts/wine-run) with a Wine prefix of their own build tree, made once by
# the "wine_prefix" test that all of them require.
if(VELTO_BUILD_TESTS AND CMAKE_CROSSCOMPILING_EMULATOR)
  set(VELTO_WINE_DIR ${CMAKE_BINARY_DIR}/wine)
  add_test(NAME wine_prefix COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} cmd.exe /c ver)
  set_tests_properties(wine_prefix PROPERTIES
    FIXTURES_SETUP wine ENVIRONMENT "VELTO_WINE_DIR=${VELTO_WINE_DIR}" TIMEOUT 300)
endif()

# velto_add_test(NAME SOURCES source... LIBS lib...): one GoogleTest program
# per unit, registered with CTest. Local time is Europe/Rome in every test
# (Wine takes its time zone from TZ as well).
function(velto_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} velto_test_support GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  set(env "TZ=Europe/Rome;VELTO_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
  if(VELTO_WINE_DIR)
    list(APPEND env "VELTO_WINE_DIR=${VELTO_WINE_DIR}")
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine)
  endif()
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}")
endfunction()
