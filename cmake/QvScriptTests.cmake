# Script tests: VBScript and JScript files run by Wine's cscript of the architecture under test
# (64-bit for x86_64, 32-bit for i686) in the test prefix, where QvModCat2.dll is registered,
# as automation clients see the component.
#
#   qv_script_test(<name> SCRIPT <file.vbs|file.js> [ARGS ...] [FIXTURES ...])
#
# ARGS that are absolute Linux paths are handed to the script as Windows paths (Z:\...).
# FIXTURES names package sets (qv_fixture_packages) the script reads; pass their folder as
# an argument, e.g. ARGS ${QV_FIXTURES_DIR}/<fixture>.  The runner (tests/scripts/run-script.sh)
# puts the shared assertion library (tests/scripts/lib/assert.vbs, assert.js) in front of the
# script; scripts end with Finish / finish(), and the test passes when cscript exits with 0
# after the library's closing line.

set(QV_SCRIPT_RUNNER ${CMAKE_SOURCE_DIR}/tests/scripts/run-script.sh)

# Linux path to the Windows path Wine maps it to (drive Z: is the root folder).
function(qv_windows_path out path)
  string(REPLACE "/" "\\" converted "${path}")
  set(${out} "Z:${converted}" PARENT_SCOPE)
endfunction()

function(qv_script_test name)
  cmake_parse_arguments(S "" "SCRIPT" "ARGS;FIXTURES" ${ARGN})
  if(NOT S_SCRIPT)
    message(FATAL_ERROR "qv_script_test(${name}) needs SCRIPT")
  endif()
  get_filename_component(script ${S_SCRIPT} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  set(arguments)
  foreach(argument ${S_ARGS})
    if(argument MATCHES "^/")
      qv_windows_path(argument ${argument})
    endif()
    list(APPEND arguments ${argument})
  endforeach()
  add_test(NAME ${name}
           COMMAND ${QV_SCRIPT_RUNNER} ${QV_ARCH} ${QV_WINEPREFIX} ${script} ${arguments})
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED "wine_prefix;${S_FIXTURES}")
endfunction()
