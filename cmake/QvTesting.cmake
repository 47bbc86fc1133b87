# Test plumbing: GoogleTest built from the system sources with the cross compilers, one Wine
# prefix per test run inside the build tree, and helpers to declare tests.

# Every Windows program of a test runs under the Wine loader of this build's architecture
# (QV_WINE is the command prefix: tests/wine/wine-run.sh <arch> <prefix>).
set(QV_ARCH ${CMAKE_SYSTEM_PROCESSOR})
set(QV_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(QV_WINE ${CMAKE_SOURCE_DIR}/tests/wine/wine-run.sh ${QV_ARCH} ${QV_WINEPREFIX})
set(CMAKE_CROSSCOMPILING_EMULATOR ${QV_WINE})

if(NOT TARGET gtest)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()

# The prefix is made afresh once per test run (fixture "wine_prefix"); every Wine test uses it.
add_test(NAME prepare_wine_prefix
         COMMAND ${CMAKE_SOURCE_DIR}/tests/wine/prepare-prefix.sh ${QV_ARCH} ${QV_WINEPREFIX} ${QV_BIN_DIR})
set_tests_properties(prepare_wine_prefix PROPERTIES FIXTURES_SETUP wine_prefix)
add_test(NAME stop_wine_prefix COMMAND ${CMAKE_SOURCE_DIR}/tests/wine/stop-prefix.sh ${QV_WINEPREFIX})
set_tests_properties(stop_wine_prefix PROPERTIES FIXTURES_CLEANUP wine_prefix)

# Packages built for a test run land in ${QV_FIXTURES_DIR}/<fixture name>.
set(QV_FIXTURES_DIR ${CMAKE_BINARY_DIR}/fixtures)
# What every test is told about the build: sources, binaries, build tree, fixture packages.
set(QV_TEST_ENVIRONMENT
  "QV_ARCH=${QV_ARCH}" "QV_SOURCE_DIR=${CMAKE_SOURCE_DIR}" "QV_BIN_DIR=${QV_BIN_DIR}"
  "QV_BUILD_DIR=${CMAKE_BINARY_DIR}" "QV_FIXTURES_DIR=${QV_FIXTURES_DIR}")

# qv_gtest(<name> [STA] SOURCES ... [LIBRARIES ...] [FIXTURES <fixture>...]
#          [ENVIRONMENT <NAME=value>...]): a GoogleTest program run under Wine as one test.  STA
# runs its tests in a single-threaded apartment.  FIXTURES names package sets
# (qv_fixture_packages) it reads from $QV_FIXTURES_DIR/<fixture>.  ENVIRONMENT adds variables.
function(qv_gtest name)
  cmake_parse_arguments(T "STA" "" "SOURCES;LIBRARIES;FIXTURES;ENVIRONMENT" ${ARGN})
  if(T_STA)
    list(APPEND T_SOURCES ${CMAKE_SOURCE_DIR}/tests/support/com_apartment.cpp)
  endif()
  add_executable(${name} ${T_SOURCES})
  qv_target_defaults(${name})
  target_link_libraries(${name} PRIVATE ${T_LIBRARIES} gtest gtest_main)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED "wine_prefix;${T_FIXTURES}"
    ENVIRONMENT "${QV_TEST_ENVIRONMENT};${T_ENVIRONMENT}")
endfunction()

# qv_fixture_packages(<fixture> DESCRIPTIONS_DIR <dir>): builds every <name>.msm.txt of <dir>
# into ${QV_FIXTURES_DIR}/<fixture>/<name>.msm with msmbuild under Wine, as the ctest fixture
# <fixture> (test "fixtures_<fixture>").  Packages are made at test time, never committed.
function(qv_fixture_packages fixture)
  cmake_parse_arguments(F "" "DESCRIPTIONS_DIR" "" ${ARGN})
  if(NOT F_DESCRIPTIONS_DIR)
    message(FATAL_ERROR "qv_fixture_packages(${fixture}) needs DESCRIPTIONS_DIR")
  endif()
  get_filename_component(descriptions ${F_DESCRIPTIONS_DIR} ABSOLUTE
                         BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  # msmbuild is defined before this file sets the emulator, so it is named here.
  add_test(NAME fixtures_${fixture}
           COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:msmbuild>
                   --dir ${descriptions} -o ${QV_FIXTURES_DIR}/${fixture})
  set_tests_properties(fixtures_${fixture} PROPERTIES
    FIXTURES_SETUP ${fixture} FIXTURES_REQUIRED wine_prefix)
endfunction()

# Host programs for tests that check packages from the Linux side (msitools is the second,
# independent reader of packages).
find_program(QV_PYTHON3 python3)
find_program(QV_MSIINFO msiinfo)

# qv_linux_test(<name> COMMAND <program> [args...] [FIXTURES <fixture>...]): a plain host test,
# not run under Wine, with the same environment as the Wine tests (QV_FIXTURES_DIR, ...).
function(qv_linux_test name)
  cmake_parse_arguments(L "" "" "COMMAND;FIXTURES" ${ARGN})
  if(NOT L_COMMAND)
    message(FATAL_ERROR "qv_linux_test(${name}) needs COMMAND")
  endif()
  add_test(NAME ${name} COMMAND ${L_COMMAND})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${QV_TEST_ENVIRONMENT}")
  if(L_FIXTURES)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED "${L_FIXTURES}")
  endif()
endfunction()
