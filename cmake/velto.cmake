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

# velto_add_test(NAME [HOST_ONLY] SOURCES source... LIBS lib...): one
# GoogleTest program per unit, registered with CTest. Local time is
# Europe/Rome in every test (Wine takes its time zone from TZ as well).
# HOST_ONLY: a test that needs the host (POSIX calls, the host file system,
# host programs); it is left out of Windows builds.
function(velto_add_test name)
  cmake_parse_arguments(ARG "HOST_ONLY" "" "SOURCES;LIBS" ${ARGN})
  if(ARG_HOST_ONLY AND VELTO_WINDOWS)
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

# velto_add_folder_tests(LIBS lib...): one test program per *_test.cpp of the
# calling folder. Files named win32_* test the Win32 implementations and are
# built only for Windows; the others need the host and are built only there.
function(velto_add_folder_tests)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  foreach(src ${sources})
    get_filename_component(name ${src} NAME_WE)
    string(REGEX MATCH "^win32_" win32_only ${name})
    if((VELTO_WINDOWS AND NOT win32_only) OR (NOT VELTO_WINDOWS AND win32_only))
      continue()
    endif()
    velto_add_test(${name} SOURCES ${src} LIBS ${ARG_LIBS})
  endforeach()
endfunction()
