# The program: kelmarosz.cpp on top of the shared routines in Rutinok/.
set(KELMAROSZ_ROUTINES
    ${CMAKE_SOURCE_DIR}/Rutinok/AltRutinok.cpp
    ${CMAKE_SOURCE_DIR}/Rutinok/TextRutinok.cpp)

# A run-time error report walks the frames of the program's routines: a call
# at the end of a routine must stay a call, not become a jump that drops the
# caller's frame from the back trace.
# Each failing check must keep a call of its own, so that the report names
# its line: no merging of identical call tails.
set(KELMAROSZ_FRAME_OPTIONS -fno-optimize-sibling-calls)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  list(APPEND KELMAROSZ_FRAME_OPTIONS -fno-crossjumping -fno-tree-tail-merge)
endif()

if(TARGET runtime_system AND TARGET console)
  add_executable(kelmarosz ${CMAKE_SOURCE_DIR}/kelmarosz.cpp ${KELMAROSZ_ROUTINES})
  target_compile_options(kelmarosz PRIVATE ${KELMAROSZ_FRAME_OPTIONS})
  target_link_libraries(kelmarosz PRIVATE runtime_system console terminal textio runtime)
  set_target_properties(kelmarosz PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  # Also a stripped kelmarosz-stripped with its debug file beside it.
  include(${CMAKE_SOURCE_DIR}/cmake/SplitDebug.cmake)
  kelmarosz_split_debug(kelmarosz kelmarosz-stripped)
endif()

# The same routines without the main line, for the program's unit tests.
if(TARGET console)
  add_library(kelmarosz_program STATIC ${CMAKE_SOURCE_DIR}/kelmarosz.cpp ${KELMAROSZ_ROUTINES})
  target_compile_definitions(kelmarosz_program PRIVATE KELMAROSZ_NO_MAIN)
  target_compile_options(kelmarosz_program PRIVATE ${KELMAROSZ_FRAME_OPTIONS})
  target_link_libraries(kelmarosz_program PUBLIC console terminal textio runtime)
endif()
