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

# Compiles an IDL file with widl into a header and (optionally) a type library.  The header
# lands in ${CMAKE_BINARY_DIR}/idl (on the include path of the core library); the type library
# there too, or at TLB_OUTPUT.  DEPENDS names the files the IDL includes or imports.
#   qv_widl(<idl> HEADER <var> [TLB <var>] [TLB_OUTPUT <path>] [DEPENDS files...])
function(qv_widl idl)
  cmake_parse_arguments(W "" "HEADER;TLB;TLB_OUTPUT" "DEPENDS" ${ARGN})
  get_filename_component(base ${idl} NAME_WE)
  set(out ${CMAKE_BINARY_DIR}/idl)
  file(MAKE_DIRECTORY ${out})
  set(src ${CMAKE_CURRENT_SOURCE_DIR}/${idl})
  # stdole2.tlb (importlib) is architecture-neutral; the 64-bit Wine folder has it.
  set(flags ${QV_WIDL_TARGET} -I/usr/include/wine/wine/windows -I${CMAKE_SOURCE_DIR}/idl
            -L/usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
  add_custom_command(OUTPUT ${out}/${base}.h
    COMMAND ${QV_WIDL} ${flags} -h -o ${out}/${base}.h ${src}
    DEPENDS ${src} ${W_DEPENDS} VERBATIM)
  set(${W_HEADER} ${out}/${base}.h PARENT_SCOPE)
  if(W_TLB)
    set(tlb ${out}/${base}.tlb)
    if(W_TLB_OUTPUT)
      set(tlb ${W_TLB_OUTPUT})
      get_filename_component(tlb_dir ${tlb} DIRECTORY)
      file(MAKE_DIRECTORY ${tlb_dir})
    endif()
    add_custom_command(OUTPUT ${tlb}
      COMMAND ${QV_WIDL} ${flags} -t -o ${tlb} ${src}
      DEPENDS ${src} ${W_DEPENDS} VERBATIM)
    set(${W_TLB} ${tlb} PARENT_SCOPE)
  endif()
endfunction()

# 32-bit: .def files name the undecorated exports of __stdcall functions on purpose.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  add_link_options(-Wl,--enable-stdcall-fixup)
endif()
