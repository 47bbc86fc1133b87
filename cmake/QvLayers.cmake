# Subsystem targets and the check that keeps their includes pointing down.
#
#   qv_subsystem(<name> [DEPENDS <subsystem>...])
#       the static library qv_<name> from src/<name>/*.cpp, linked PUBLIC to the subsystems it
#       depends on.  Its reach is itself plus the reach of each dependency.
#   qv_allow_layers(<folder> <subsystem>...)
#       sources under <folder> (tools, test kit, stand-ins, bench) may include those
#       subsystems' headers and what they reach; call it beside the target that links them.
#   qv_layer_check()
#       the build-time check (target qv_layer_check, which every subsystem waits for): an
#       #include "<subsystem>/..." outside the including subsystem's reach fails the build.

function(qv_subsystem name)
  cmake_parse_arguments(S "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp)
  add_library(qv_${name} STATIC ${sources})
  qv_target_defaults(qv_${name})
  set(reach ${name})
  foreach(dependency ${S_DEPENDS})
    target_link_libraries(qv_${name} PUBLIC qv_${dependency})
    get_property(below GLOBAL PROPERTY QV_REACH_${dependency})
    list(APPEND reach ${below})
  endforeach()
  list(REMOVE_DUPLICATES reach)
  set_property(GLOBAL PROPERTY QV_REACH_${name} ${reach})
  set_property(GLOBAL APPEND PROPERTY QV_SUBSYSTEMS ${name})
  set_property(GLOBAL APPEND PROPERTY QV_LAYER_FOLDERS ${CMAKE_CURRENT_SOURCE_DIR}/${name})
  set_property(GLOBAL PROPERTY QV_ALLOWED_${CMAKE_CURRENT_SOURCE_DIR}/${name} ${reach})
endfunction()

function(qv_allow_layers folder)
  get_filename_component(folder ${folder} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  set(reach)
  foreach(subsystem ${ARGN})
    get_property(below GLOBAL PROPERTY QV_REACH_${subsystem})
    list(APPEND reach ${below})
  endforeach()
  list(REMOVE_DUPLICATES reach)
  set_property(GLOBAL APPEND PROPERTY QV_LAYER_FOLDERS ${folder})
  set_property(GLOBAL PROPERTY QV_ALLOWED_${folder} ${reach})
endfunction()

# Writes the rules for the check script; the check itself runs at build time so that an edit
# of any source is checked without a new configure.  Folders allowed later (tools, test kit,
# stand-ins, bench) are added to the rules file at the end of configuration.
function(qv_layer_check)
  set(rules ${CMAKE_BINARY_DIR}/qv_layers.cmake)
  set(stamp ${CMAKE_BINARY_DIR}/qv_layers.stamp)
  cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL qv_write_layer_rules)
  file(GLOB_RECURSE watched CONFIGURE_DEPENDS
       ${CMAKE_SOURCE_DIR}/src/*.h ${CMAKE_SOURCE_DIR}/src/*.cpp
       ${CMAKE_SOURCE_DIR}/tools/*.h ${CMAKE_SOURCE_DIR}/tools/*.cpp
       ${CMAKE_SOURCE_DIR}/testkit/*.h ${CMAKE_SOURCE_DIR}/testkit/*.cpp
       ${CMAKE_SOURCE_DIR}/standins/*.h ${CMAKE_SOURCE_DIR}/standins/*.cpp
       ${CMAKE_SOURCE_DIR}/bench/*.h ${CMAKE_SOURCE_DIR}/bench/*.cpp)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DRULES=${rules} -DSTAMP=${stamp}
            -P ${CMAKE_SOURCE_DIR}/cmake/check_layers.cmake
    DEPENDS ${watched} ${rules} ${CMAKE_SOURCE_DIR}/cmake/check_layers.cmake
    COMMENT "Checking that includes point down the subsystem layers" VERBATIM)
  add_custom_target(qv_layer_check DEPENDS ${stamp})
  get_property(subsystems GLOBAL PROPERTY QV_SUBSYSTEMS)
  foreach(subsystem ${subsystems})
    add_dependencies(qv_${subsystem} qv_layer_check)
  endforeach()
endfunction()

function(qv_write_layer_rules)
  set(rules ${CMAKE_BINARY_DIR}/qv_layers.cmake)
  get_property(subsystems GLOBAL PROPERTY QV_SUBSYSTEMS)
  get_property(folders GLOBAL PROPERTY QV_LAYER_FOLDERS)
  set(text "set(QV_SUBSYSTEMS \"${subsystems}\")\nset(QV_LAYER_FOLDERS \"${folders}\")\n")
  foreach(folder ${folders})
    get_property(allowed GLOBAL PROPERTY QV_ALLOWED_${folder})
    string(APPEND text "set(\"QV_ALLOWED_${folder}\" \"${allowed}\")\n")
  endforeach()
  file(GENERATE OUTPUT ${rules} CONTENT "${text}")
endfunction()
