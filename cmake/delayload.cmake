# wq_delay_load(<dll target> <def file>...): each .def names a system DLL and the functions
# the target calls in it; the target then loads that DLL at its first call into it instead
# of with the target (dlltool's delay-import libraries, which GNU ld links as it finds
# them; the PE header's delay-import entry stays empty, the thunks do the work). The
# delay-import library takes the place of the system's import library of the same name
# for this target only, so a function missing from the .def fails to link.
find_program(WQ_DLLTOOL NAMES x86_64-w64-mingw32-dlltool REQUIRED)

function(wq_delay_load target)
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_delayload)
  set(libraries)
  # dlltool names the library's symbols after the name it writes, so it writes a bare one.
  file(MAKE_DIRECTORY ${dir})
  foreach(def ${ARGN})
    get_filename_component(def ${def} ABSOLUTE)
    get_filename_component(name ${def} NAME_WE)
    set(library ${dir}/lib${name}.a)
    add_custom_command(OUTPUT ${library}
      COMMAND ${WQ_DLLTOOL} --input-def ${def} --output-delaylib lib${name}.a
      DEPENDS ${def}
      WORKING_DIRECTORY ${dir}
      COMMENT "delay-import library for ${name}"
      VERBATIM)
    list(APPEND libraries ${library})
  endforeach()
  add_custom_target(${target}_delayload DEPENDS ${libraries})
  add_dependencies(${target} ${target}_delayload)
  target_link_directories(${target} BEFORE PRIVATE ${dir})
  target_link_libraries(${target} PRIVATE delayimp)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${libraries})
endfunction()
