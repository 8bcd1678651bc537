# wq_add_idl(<target> <idl> [NO_TYPELIB] [HYPER_DEFAULTS] [INCLUDE dirs...]
# [DEPENDS files...]): compiles an IDL file with widl into a type library, a header and an
# IID file in the build tree. The header's directory is added to <target>'s include path
# and the IID file to its sources. NO_TYPELIB is for an IDL without a library block (widl
# writes no type library then); DEPENDS names imported IDL files, so changing them
# rebuilds this. HYPER_DEFAULTS gives every optional hyper parameter of the library the
# default 0, which widl cannot write (tlbdefaults.c).
find_program(WQ_WIDL NAMES x86_64-w64-mingw32-widl widl REQUIRED)
set(WQ_WINE_IDL_DIR /usr/include/wine/wine/windows)
set(WQ_WINE_TLB_DIR /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)

# The library fixer runs on the build machine, so it is built with the host's compiler
# (wine64-tools brings gcc) when the project is configured, and again when it changes.
find_program(WQ_HOST_CC NAMES gcc cc REQUIRED)
set(WQ_TLBDEFAULTS ${CMAKE_BINARY_DIR}/tools/tlbdefaults)
set(WQ_TLBDEFAULTS_SOURCE ${CMAKE_CURRENT_LIST_DIR}/tlbdefaults.c)
set(WQ_MSFTFILE_HEADER ${CMAKE_CURRENT_LIST_DIR}/msftfile.h)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${WQ_TLBDEFAULTS_SOURCE}
                                                               ${WQ_MSFTFILE_HEADER})
# Rebuilt only when older than its sources: a new binary would rebuild every library.
if(${WQ_TLBDEFAULTS_SOURCE} IS_NEWER_THAN ${WQ_TLBDEFAULTS} OR
   ${WQ_MSFTFILE_HEADER} IS_NEWER_THAN ${WQ_TLBDEFAULTS})
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
  execute_process(COMMAND ${WQ_HOST_CC} -O2 -Wall -o ${WQ_TLBDEFAULTS} ${WQ_TLBDEFAULTS_SOURCE}
                  RESULT_VARIABLE WQ_TLBDEFAULTS_RESULT)
  if(NOT WQ_TLBDEFAULTS_RESULT EQUAL 0)
    message(FATAL_ERROR "cannot build ${WQ_TLBDEFAULTS_SOURCE} with ${WQ_HOST_CC}")
  endif()
endif()

function(wq_add_idl target idl)
  cmake_parse_arguments(ARG "NO_TYPELIB;HYPER_DEFAULTS" "" "INCLUDE;DEPENDS" ${ARGN})
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
  set(fix_command)
  if(ARG_HYPER_DEFAULTS)
    # widl's own output is kept too (<name>.widl.tlb), for the fixer's test.
    list(APPEND outputs ${out}/${name}.widl.tlb)
    set(fix_command COMMAND ${CMAKE_COMMAND} -E copy ${out}/${name}.tlb ${out}/${name}.widl.tlb
                    COMMAND ${WQ_TLBDEFAULTS} ${out}/${name}.tlb)
  endif()
  add_custom_command(
    OUTPUT ${outputs}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${out}
    COMMAND ${WQ_WIDL} -m64 ${tlb_flags} -h -u ${inc_flags} -I${WQ_WINE_IDL_DIR}
            -L${WQ_WINE_TLB_DIR} -H ${out}/${name}.h -U ${out}/${name}_i.c ${idl_abs}
    ${fix_command}
    DEPENDS ${idl_abs} ${ARG_DEPENDS} ${WQ_TLBDEFAULTS}
    COMMENT "widl ${name}.idl"
    VERBATIM)
  target_sources(${target} PRIVATE ${out}/${name}.h ${out}/${name}_i.c)
  target_include_directories(${target} PUBLIC ${out})
  set(${name}_TLB ${out}/${name}.tlb PARENT_SCOPE)
endfunction()
