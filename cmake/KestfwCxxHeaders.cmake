# The C++ declarations of the exported classes (the rule builder, the object factories, every
# command class, the command list and the exceptions they raise) are installed under
# <includedir>/kestfw/cxx, keeping their folder names, together with every library header they
# include, so that a consumer compiles them against the installed tree alone. The set is worked out
# from the include lines at configure time: a header that starts including another one takes it
# along, and a header that includes something neither in src/ nor among the public C headers stops
# the configuration.

# Every src/-relative header reachable from ROOTS through quoted includes; public C headers
# ("kestfw/...") are installed anyway and end the walk.
function(kestfw_cxx_header_closure out_var src_dir)
  set(todo ${ARGN})
  set(seen "")
  while(todo)
    list(POP_FRONT todo header)
    if(header IN_LIST seen)
      continue()
    endif()
    list(APPEND seen ${header})
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${src_dir}/${header})
    file(STRINGS ${src_dir}/${header} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*$" "\\1" included "${line}")
      if(included MATCHES "^kestfw/")
        continue()
      endif()
      if(NOT EXISTS ${src_dir}/${included})
        message(FATAL_ERROR "${header} includes \"${included}\", which is not a library header that "
                            "can be installed with the exported classes")
      endif()
      list(APPEND todo ${included})
    endforeach()
  endwhile()
  list(SORT seen)
  set(${out_var} ${seen} PARENT_SCOPE)
endfunction()

function(kestfw_install_cxx_headers src_dir destination)
  file(GLOB roots CONFIGURE_DEPENDS RELATIVE ${src_dir} ${src_dir}/cmd/KestFWCmd*.h ${src_dir}/model/*Factory.h)
  list(APPEND roots model/KestFWRuleBuilder.h base/KestFWException.h)
  kestfw_cxx_header_closure(headers ${src_dir} ${roots})
  foreach(header IN LISTS headers)
    get_filename_component(folder ${header} DIRECTORY)
    install(FILES ${src_dir}/${header} DESTINATION ${destination}/${folder})
  endforeach()
endfunction()
