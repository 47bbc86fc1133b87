# Test plumbing: GoogleTest built from the system sources with the cross compilers, one Wine
# prefix per test run inside the build tree, and helpers to declare tests.

set(QV_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(QV_WINE_RUN ${CMAKE_SOURCE_DIR}/tests/wine/wine-run.sh)
set(CMAKE_CROSSCOMPILING_EMULATOR ${QV_WINE_RUN} ${QV_WINEPREFIX})

if(NOT TARGET gtest)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()

# The prefix is made afresh once per test run (fixture "wine_prefix"); every Wine test uses it.
add_test(NAME prepare_wine_prefix
         COMMAND ${CMAKE_SOURCE_DIR}/tests/wine/prepare-prefix.sh ${QV_WINEPREFIX} ${QV_BIN_DIR})
set_tests_properties(prepare_wine_prefix PROPERTIES FIXTURES_SETUP wine_prefix)
add_test(NAME stop_wine_prefix COMMAND ${CMAKE_SOURCE_DIR}/tests/wine/stop-prefix.sh ${QV_WINEPREFIX})
set_tests_properties(stop_wine_prefix PROPERTIES FIXTURES_CLEANUP wine_prefix)

# qv_gtest(<name> SOURCES ... [LIBRARIES ...]): a GoogleTest program run under Wine as one test.
function(qv_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBRARIES" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  qv_target_defaults(${name})
  target_link_libraries(${name} PRIVATE ${T_LIBRARIES} gtest gtest_main)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine_prefix
    ENVIRONMENT "QV_SOURCE_DIR=${CMAKE_SOURCE_DIR};QV_BIN_DIR=${QV_BIN_DIR}")
endfunction()
