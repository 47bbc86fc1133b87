# Project-wide compiler settings and helpers.

# Our own code builds without warnings; third-party code (GoogleTest) is not held to this.
set(QV_WARNINGS -Wall -Wextra -Wno-unknown-pragmas -Wno-cast-function-type)

# Windows 7 API level, Unicode-neutral Win32 headers (we call the A and W functions by name).
add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601 NOMINMAX WIN32_LEAN_AND_MEAN)

# No mingw runtime DLLs on the target machine: link the C and C++ runtimes statically.
add_link_options(-static -static-libgcc -static-libstdc++)

function(qv_target_defaults target)
  target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX,C>:${QV_WARNINGS}>)
endfunction()

# Compiles an IDL file with widl into a header, a GUID definition file and (optionally) a
# type library.  Outputs land in ${CMAKE_BINARY_DIR}/idl.
#   qv_widl(<idl> HEADER <var> IIDS <var> [TLB <var>] [DEPENDS files...])
function(qv_widl idl)
  cmake_parse_arguments(W "" "HEADER;IIDS;TLB" "DEPENDS" ${ARGN})
  get_filename_component(base ${idl} NAME_WE)
  set(out ${CMAKE_BINARY_DIR}/idl)
  file(MAKE_DIRECTORY ${out})
  set(src ${CMAKE_CURRENT_SOURCE_DIR}/${idl})
  set(flags ${QV_WIDL_TARGET} -I/usr/include/wine/wine/windows -I${CMAKE_SOURCE_DIR}/idl
            -L/usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
  add_custom_command(OUTPUT ${out}/${base}.h
    COMMAND ${QV_WIDL} ${flags} -h -o ${out}/${base}.h ${src}
    DEPENDS ${src} ${W_DEPENDS} VERBATIM)
  add_custom_command(OUTPUT ${out}/${base}_i.c
    COMMAND ${QV_WIDL} ${flags} -u -o ${out}/${base}_i.c ${src}
    DEPENDS ${src} ${W_DEPENDS} VERBATIM)
  set(${W_HEADER} ${out}/${base}.h PARENT_SCOPE)
  set(${W_IIDS} ${out}/${base}_i.c PARENT_SCOPE)
  if(W_TLB)
    add_custom_command(OUTPUT ${out}/${base}.tlb
      COMMAND ${QV_WIDL} ${flags} -t -o ${out}/${base}.tlb ${src}
      DEPENDS ${src} ${W_DEPENDS} VERBATIM)
    set(${W_TLB} ${out}/${base}.tlb PARENT_SCOPE)
  endif()
endfunction()

# 32-bit: .def files name the undecorated exports of __stdcall functions on purpose.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  add_link_options(-Wl,--enable-stdcall-fixup)
endif()
