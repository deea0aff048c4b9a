cmake_minimum_required(VERSION 3.25)
# Fails when a target's include path (its own and the one it inherits from
# the libraries it links) names a folder of the source tree that the target
# may not see: a higher layer, or another layer's private headers.
#   -DTARGET=<name> -DDIRS=<include path> -DALLOWED=<folders> -DSOURCE_DIR=<tree>
set(allowed)
foreach(dir IN LISTS ALLOWED)
  file(REAL_PATH "${dir}" real)
  list(APPEND allowed "${real}")
endforeach()
file(REAL_PATH "${SOURCE_DIR}" root)
set(bad)
foreach(dir IN LISTS DIRS)
  file(REAL_PATH "${dir}" real)
  cmake_path(IS_PREFIX root "${real}" inside)
  if(inside AND NOT real IN_LIST allowed)
    list(APPEND bad "${real}")
  endif()
endforeach()
if(bad)
  message(FATAL_ERROR "${TARGET} can include from ${bad}; it may see only ${allowed}")
endif()
message(STATUS "${TARGET}: ${DIRS}")
