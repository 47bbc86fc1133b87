# Shared by the stand-in libraries: include(../common/QvStandIn.cmake) from a stand-in's
# CMakeLists.txt.  Defines the support library every stand-in links statically (its state in
# the registry, failure injection, COM object and class factory plumbing) and qv_standin().
include_guard(GLOBAL)

set(QV_STANDIN_COMMON_DIR ${CMAKE_CURRENT_LIST_DIR})
add_library(qv_standin_common STATIC
  ${QV_STANDIN_COMMON_DIR}/standin_state.cpp
  ${QV_STANDIN_COMMON_DIR}/standin_object.cpp)
qv_target_defaults(qv_standin_common)
target_include_directories(qv_standin_common PUBLIC ${QV_STANDIN_COMMON_DIR})
# The component's common subsystem, for its owners (RegKey, ComRef); nothing above it.
target_link_libraries(qv_standin_common PUBLIC qv_common qv_sdk ole32 oleaut32 uuid advapi32)
qv_allow_layers(${CMAKE_SOURCE_DIR}/standins common)

# qv_standin(<name> SOURCES ...): the stand-in library <name>.dll, built into the bin folder
# beside QvModCat2.dll so that the component's loader finds it there.
function(qv_standin name)
  cmake_parse_arguments(S "" "" "SOURCES" ${ARGN})
  add_library(${name} SHARED ${S_SOURCES})
  qv_target_defaults(${name})
  set_target_properties(${name} PROPERTIES PREFIX "" OUTPUT_NAME ${name})
  target_link_libraries(${name} PRIVATE qv_standin_common)
endfunction()
