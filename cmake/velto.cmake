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

# Where a test runs is said by RUNS_ON, and by nothing else (not its name or
# folder):
#   host     Linux builds only: it needs the host (POSIX calls, the host file
#            system and its emulation of drives, host programs, Python);
#   windows  Windows builds only (run under Wine): it tests a Win32
#            implementation;
#   both     every build: portable code, or a contract run against the
#            implementation of the system it is built for.

# velto_add_test(NAME RUNS_ON host|windows|both SOURCES source... LIBS lib...):
# one GoogleTest program, registered with CTest, when the build is one that
# RUNS_ON names. Local time is Europe/Rome in every test (Wine takes its time
# zone from TZ as well).
function(velto_add_test name)
  cmake_parse_arguments(ARG "" "RUNS_ON" "SOURCES;LIBS" ${ARGN})
  if(NOT ARG_RUNS_ON MATCHES "^(host|windows|both)$")
    message(FATAL_ERROR "velto_add_test(${name}): RUNS_ON must be host, windows or both")
  endif()
  foreach(src ${ARG_SOURCES})
    get_filename_component(src ${src} ABSOLUTE)
    set_property(GLOBAL APPEND PROPERTY VELTO_LISTED_TEST_SOURCES ${src})
  endforeach()
  if((ARG_RUNS_ON STREQUAL "host" AND VELTO_WINDOWS) OR (ARG_RUNS_ON STREQUAL "windows" AND NOT VELTO_WINDOWS))
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  if(VELTO_WINDOWS)
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/platform/win32_crt_time_zone.cpp)
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} velto_test_support GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  set(env "TZ=Europe/Rome;VELTO_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
  if(VELTO_WINE_DIR)
    list(APPEND env "VELTO_WINE_DIR=${VELTO_WINE_DIR}")
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine)
  endif()
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}")
endfunction()

# velto_add_tests(RUNS_ON host|windows|both LIBS lib... TESTS name...): one
# velto_add_test per name, from the calling folder's name.cpp.
function(velto_add_tests)
  cmake_parse_arguments(ARG "" "RUNS_ON" "LIBS;TESTS" ${ARGN})
  foreach(name ${ARG_TESTS})
    velto_add_test(${name} RUNS_ON ${ARG_RUNS_ON} SOURCES ${name}.cpp LIBS ${ARG_LIBS})
  endforeach()
endfunction()

# velto_check_tests_listed(): fails the configuration when a *_test.cpp below
# tests/ is a source of no velto_add_test (on whichever system it runs).
function(velto_check_tests_listed)
  get_property(listed GLOBAL PROPERTY VELTO_LISTED_TEST_SOURCES)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/*_test.cpp)
  foreach(src ${sources})
    if(NOT src IN_LIST listed)
      message(FATAL_ERROR "${src} is in no velto_add_test: list it with its RUNS_ON")
    endif()
  endforeach()
endfunction()
