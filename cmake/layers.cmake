# The layers of the program and the rules between them.
#
# Every layer is a static library made of the sources in its folder. It publishes its folder,
# and nothing else, under the folder's name ("decode/frame_decoder.h"): its include directory
# in the build tree holds one link, to the folder. So a target reaches a layer's headers only
# by linking that layer, directly or through another layer that links it publicly.
#
#   meter_layer(<name> [WIDGETS] [EXCLUDE <regular expression>])
#
# A layer is plain logic on Qt Core unless it says WIDGETS: the "layering" test fails when a
# layer without it links Qt Gui, Widgets, Print Support or the plot widget, even indirectly.
# EXCLUDE leaves out the folder's files that are not the library's (program entries).
function(meter_layer name)
  cmake_parse_arguments(PARSE_ARGV 1 _arg "WIDGETS" "EXCLUDE" "")
  file(GLOB_RECURSE _src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(_arg_EXCLUDE)
    list(FILTER _src EXCLUDE REGEX "${_arg_EXCLUDE}")
  endif()
  if(NOT _src)
    message(FATAL_ERROR "${CMAKE_CURRENT_SOURCE_DIR} has no sources for ${name}")
  endif()
  add_library(${name} STATIC ${_src})
  get_filename_component(_published ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  set(_include ${CMAKE_BINARY_DIR}/layers/${name})
  file(MAKE_DIRECTORY ${_include})
  file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${_include}/${_published} SYMBOLIC)
  target_include_directories(${name} PUBLIC ${_include})
  set_target_properties(${name} PROPERTIES METER_HEADERS ${_published} METER_WIDGETS ${_arg_WIDGETS})
endfunction()

# Which layer may link which. Dependencies point down, never back up: the window (app) on its
# widgets (ui), both on the road of a reading (reading), that on the decoder and the log; the
# chart and the log know nothing of the links, the links nothing of the log. The publisher sits
# beside the front ends on the reading's road; the window, its widgets and the tools use it. The
# tools and the tests' support library sit beside the window. The "layering" test holds every layer to it.
set(METER_ALLOWED_EDGES
  meter_link>meter_decode
  meter_log>meter_decode
  meter_chart>meter_decode
  meter_reading>meter_decode meter_reading>meter_log
  meter_publish>meter_reading meter_publish>meter_log meter_publish>meter_decode
  meter_ui>meter_reading meter_ui>meter_decode meter_ui>meter_log meter_ui>meter_chart meter_ui>meter_publish
  meter_app>meter_ui meter_app>meter_reading meter_app>meter_decode meter_app>meter_link meter_app>meter_log
  meter_app>meter_chart meter_app>meter_publish
  meter_tools>meter_reading meter_tools>meter_decode meter_tools>meter_link meter_tools>meter_log
  meter_tools>meter_publish
  meter_test_support>meter_link)

# Every library and program of the build, through every folder that CMake entered.
function(_meter_all_targets out)
  set(_dirs ${PROJECT_SOURCE_DIR})
  set(_all)
  while(_dirs)
    list(POP_FRONT _dirs _dir)
    get_property(_sub DIRECTORY ${_dir} PROPERTY SUBDIRECTORIES)
    list(APPEND _dirs ${_sub})
    get_property(_targets DIRECTORY ${_dir} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(_t IN LISTS _targets)
      get_target_property(_type ${_t} TYPE)
      if(_type STREQUAL "STATIC_LIBRARY" OR _type STREQUAL "EXECUTABLE")
        list(APPEND _all ${_t})
      endif()
    endforeach()
  endwhile()
  set(${out} ${_all} PARENT_SCOPE)
endfunction()

# Everything target links, directly or through the libraries it links.
function(_meter_link_closure target out)
  set(_todo ${target})
  set(_seen)
  while(_todo)
    list(POP_FRONT _todo _t)
    get_target_property(_imported ${_t} IMPORTED)
    set(_links)
    if(NOT _imported)
      get_target_property(_direct ${_t} LINK_LIBRARIES)
      if(_direct)
        list(APPEND _links ${_direct})
      endif()
    endif()
    get_target_property(_interface ${_t} INTERFACE_LINK_LIBRARIES)
    if(_interface)
      list(APPEND _links ${_interface})
    endif()
    foreach(_l IN LISTS _links)
      string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" _l "${_l}")
      if(TARGET "${_l}" AND NOT _l IN_LIST _seen)
        get_target_property(_aliased ${_l} ALIASED_TARGET)
        if(_aliased)
          set(_l ${_aliased})
        endif()
        list(APPEND _seen ${_l})
        list(APPEND _todo ${_l})
      endif()
    endforeach()
  endwhile()
  set(${out} ${_seen} PARENT_SCOPE)
endfunction()

# The test "layering": every layer links only the layers below it (METER_ALLOWED_EDGES), every
# source file of every target includes only headers of layers its target links directly, and
# the logic layers link nothing of the GUI. What it checks is
# written at configure time; the files are read when the test runs.
function(meter_layering_test)
  _meter_all_targets(_targets)
  set(_layers)
  foreach(_t IN LISTS _targets)
    get_target_property(_published ${_t} METER_HEADERS)
    if(_published)
      list(APPEND _layers ${_published})
    endif()
  endforeach()
  set(_manifest "set(METER_LAYER_NAMES ${_layers})\nset(METER_ALLOWED_EDGES ${METER_ALLOWED_EDGES})\n")
  foreach(_t IN LISTS _targets)
    get_target_property(_own ${_t} METER_HEADERS)
    set(_allowed)
    if(_own)
      list(APPEND _allowed ${_own})
    endif()
    get_target_property(_direct ${_t} LINK_LIBRARIES)
    set(_edges)
    foreach(_l IN LISTS _direct)
      if(TARGET "${_l}")
        get_target_property(_published ${_l} METER_HEADERS)
        if(_published)
          list(APPEND _allowed ${_published})
          list(APPEND _edges ${_l})
        endif()
      endif()
    endforeach()
    if(_own)
      string(APPEND _manifest "list(APPEND METER_LAYERS ${_t})\nset(METER_EDGES_${_t} ${_edges})\n")
    endif()
    get_target_property(_dir ${_t} SOURCE_DIR)
    get_target_property(_sources ${_t} SOURCES)
    set(_files)
    foreach(_s IN LISTS _sources)
      if(NOT IS_ABSOLUTE "${_s}")
        set(_s ${_dir}/${_s})
      endif()
      if(_s MATCHES "\\.(cpp|h)$" AND EXISTS "${_s}")
        list(APPEND _files ${_s})
      endif()
    endforeach()
    string(APPEND _manifest "list(APPEND METER_TARGETS ${_t})\n"
                            "set(METER_ALLOWED_${_t} ${_allowed})\n"
                            "set(METER_FILES_${_t} ${_files})\n")
    get_target_property(_widgets ${_t} METER_WIDGETS)
    if(_own AND NOT _widgets)
      _meter_link_closure(${_t} _closure)
      string(APPEND _manifest "list(APPEND METER_CORE_LAYERS ${_t})\n"
                              "set(METER_CLOSURE_${_t} ${_closure})\n")
    endif()
  endforeach()
  set(_file ${CMAKE_BINARY_DIR}/layering_manifest.cmake)
  file(WRITE ${_file} "${_manifest}")
  add_test(NAME layering COMMAND ${CMAKE_COMMAND} -DMANIFEST=${_file} -P ${PROJECT_SOURCE_DIR}/cmake/check_layering.cmake)
  set_tests_properties(layering PROPERTIES LABELS layering)
endfunction()
