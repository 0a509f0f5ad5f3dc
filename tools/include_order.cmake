# Checks the layer order of the game's sources: screen <- game <- clock <- engine
# <- shell. A source may include headers of its own layer and of the layers
# before it, never of a layer after it, and never a test helper. Tests
# (*_test.cpp and the *_test_*.h helpers beside them) may include anything.
#
#   cmake -DROOT=<source tree> -P tools/include_order.cmake
#
# Prints every include against the order as "<file>: includes <header>" and
# fails when there is one.
if(NOT ROOT)
  message(FATAL_ERROR "ROOT is not set")
endif()
set(layers screen game clock engine shell)
set(faults 0)
foreach(layer ${layers})
  list(FIND layers ${layer} own)
  file(GLOB sources RELATIVE ${ROOT} ${ROOT}/${layer}/*.cpp ${ROOT}/${layer}/*.h)
  foreach(source ${sources})
    if(source MATCHES "_test[._]")
      continue()
    endif()
    file(STRINGS ${ROOT}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line ${includes})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" header "${line}")
      string(REGEX REPLACE "/.*" "" folder "${header}")
      list(FIND layers "${folder}" other)
      if(other GREATER own OR folder STREQUAL "tests" OR folder STREQUAL "bench")
        message("${source}: includes ${header}")
        math(EXPR faults "${faults} + 1")
      endif()
    endforeach()
  endforeach()
endforeach()
if(faults GREATER 0)
  message(FATAL_ERROR "${faults} include(s) against the layer order screen <- game <- clock <- engine <- shell")
endif()
message("include order: every source includes only its own layer and the layers before it")
