# Run by ctest as the test "layering" (cmake -DMANIFEST=<file> -P check_layering.cmake).
# Fails when a layer links a layer that the list of allowed edges does not let it depend on,
# when a source file includes a layer's header ("decode/...") that its target does not link
# directly, or when a logic layer links a GUI library, even through another library.
cmake_minimum_required(VERSION 3.21)
include(${MANIFEST})

set(_faults 0)
foreach(_t IN LISTS METER_LAYERS)
  foreach(_l IN LISTS METER_EDGES_${_t})
    if(NOT "${_t}>${_l}" IN_LIST METER_ALLOWED_EDGES)
      message("${_t} links ${_l}, which it may not depend on: dependencies point down (cmake/layers.cmake)")
      math(EXPR _faults "${_faults} + 1")
    endif()
  endforeach()
endforeach()

foreach(_t IN LISTS METER_TARGETS)
  foreach(_f IN LISTS METER_FILES_${_t})
    file(STRINGS ${_f} _lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"/]+/")
    foreach(_line IN LISTS _lines)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"/]+)/.*$" "\\1" _layer "${_line}")
      if(_layer IN_LIST METER_LAYER_NAMES AND NOT _layer IN_LIST METER_ALLOWED_${_t})
        message("${_f}: includes \"${_layer}/...\" but ${_t} does not link that layer")
        math(EXPR _faults "${_faults} + 1")
      endif()
    endforeach()
  endforeach()
endforeach()

foreach(_t IN LISTS METER_CORE_LAYERS)
  foreach(_l IN LISTS METER_CLOSURE_${_t})
    if(_l MATCHES "^(Qt6?::(Gui|Widgets|PrintSupport|Svg|OpenGL.*)|QCustomPlot.*)$")
      message("${_t} is a logic layer but links ${_l}")
      math(EXPR _faults "${_faults} + 1")
    endif()
  endforeach()
endforeach()

list(LENGTH METER_TARGETS _targets)
if(_faults GREATER 0)
  message(FATAL_ERROR "${_faults} layering fault(s)")
endif()
message("layers link only downwards; ${_targets} targets include only the layers they link; "
        "logic layers link no GUI: ${METER_CORE_LAYERS}")
