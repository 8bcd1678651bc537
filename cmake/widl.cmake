# wq_add_idl(<target> <idl> [NO_TYPELIB] [INCLUDE dirs...] [DEPENDS files...]):
# compiles an IDL file with widl into a type library, a header and an IID file in the
# build tree. The header's directory is added to <target>'s include path and the IID
# file to its sources. NO_TYPELIB is for an IDL without a library block (widl writes no
# type library then); DEPENDS names imported IDL files, so changing them rebuilds this.
find_program(WQ_WIDL NAMES x86_64-w64-mingw32-widl widl REQUIRED)
set(WQ_WINE_IDL_DIR /usr/include/wine/wine/windows)
set(WQ_WINE_TLB_DIR /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)

function(wq_add_idl target idl)
  cmake_parse_arguments(ARG "NO_TYPELIB" "" "INCLUDE;DEPENDS" ${ARGN})
  get_filename_component(name ${idl} NAME_WE)
  get_filename_component(idl_abs ${idl} ABSOLUTE)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/idl)
  set(inc_flags)
  foreach(dir ${ARG_INCLUDE})
    get_filename_component(dir_abs ${dir} ABSOLUTE)
    list(APPEND inc_flags -I${dir_abs})
  endforeach()
  set(outputs ${out}/${name}.h ${out}/${name}_i.c)
  set(tlb_flags)
  if(NOT ARG_NO_TYPELIB)
    list(APPEND outputs ${out}/${name}.tlb)
    set(tlb_flags -t -T ${out}/${name}.tlb)
  endif()
  add_custom_command(
    OUTPUT ${outputs}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${out}
    COMMAND ${WQ_WIDL} -m64 ${tlb_flags} -h -u ${inc_flags} -I${WQ_WINE_IDL_DIR}
            -L${WQ_WINE_TLB_DIR} -H ${out}/${name}.h -U ${out}/${name}_i.c ${idl_abs}
    DEPENDS ${idl_abs} ${ARG_DEPENDS}
    COMMENT "widl ${name}.idl"
    VERBATIM)
  target_sources(${target} PRIVATE ${out}/${name}.h ${out}/${name}_i.c)
  target_include_directories(${target} PUBLIC ${out})
  set(${name}_TLB ${out}/${name}.tlb PARENT_SCOPE)
endfunction()
