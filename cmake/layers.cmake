# The layers of the program and the rules between them.
#
# Every layer is a static library made of the sources in its folder. It publishes its folder,
# and nothing else, under the folder's name ("decode/frame_decoder.h"): its include directory
# in the build tree holds one link, to the folder. So a target reaches a layer's headers only
# by linking that layer, directly or through another layer that links it publicly.
#
#   meter_layer(<name> [WIDGETS] [EXCLUDE <regular expression>])
#
# A layer is plain logic on Qt Core unless it says WIDGETS.
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
