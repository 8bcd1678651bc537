# wq_add_idl(<target> <idl> [INCLUDE dirs...]): compiles an IDL file with widl into a
# type library, a header and an IID file in the build tree. The header's directory is
# added to <target>'s include path and the IID file to its sources.
find_program(WQ_WIDL NAMES x86_64-w64-mingw32-widl widl REQUIRED)
set(WQ_WINE_IDL_DIR /usr/include/wine/wine/windows)
set(WQ_WINE_TLB_DIR /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)

function(wq_add_idl target idl)
  cmake_parse_arguments(ARG "" "" "INCLUDE" ${ARGN})
  get_filename_component(name ${idl} NAME_WE)
  get_filename_component(idl_abs ${idl} ABSOLUTE)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/idl)
  set(inc_flags)
  foreach(dir ${ARG_INCLUDE})
    get_filename_component(dir_abs ${dir} ABSOLUTE)
    list(APPEND inc_flags -I${dir_abs})
  endforeach()
  add_custom_command(
    OUTPUT ${out}/${name}.h ${out}/${name}_i.c ${out}/${name}.tlb
    COMMAND ${CMAKE_COMMAND} -E make_directory ${out}
    COMMAND ${WQ_WIDL} -m64 -t -h -u ${inc_flags} -I${WQ_WINE_IDL_DIR} -L${WQ_WINE_TLB_DIR}
            -H ${out}/${name}.h -U ${out}/${name}_i.c -T ${out}/${name}.tlb ${idl_abs}
    DEPENDS ${idl_abs}
    COMMENT "widl ${name}.idl"
    VERBATIM)
  target_sources(${target} PRIVATE ${out}/${name}.h ${out}/${name}_i.c)
  target_include_directories(${target} PUBLIC ${out})
  set(${name}_TLB ${out}/${name}.tlb PARENT_SCOPE)
endfunction()
