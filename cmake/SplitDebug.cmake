# Split debug information, as users of stripped executables expect:
#   kelmarosz_split_debug(<target> <path>)
# builds, after <target>, a stripped copy at <path> (relative to the
# target's folder; without the compilers' .comment notes either, as Debian
# strips them) and the debug file <path>.debug beside it, which the
# copy's .gnu_debuglink names (with that file's CRC-32). The run-time error
# report finds the debug file beside the executable, or under a lib/debug
# folder followed by the executable's directory, and checks the CRC; without
# a matching file its back-trace lines hold addresses only.
function(kelmarosz_split_debug target path)
  set(out $<TARGET_FILE_DIR:${target}>/${path})
  get_filename_component(subdir "${path}" DIRECTORY)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory $<TARGET_FILE_DIR:${target}>/${subdir}
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> ${out}.debug
    COMMAND ${CMAKE_OBJCOPY} --strip-all --remove-section=.comment $<TARGET_FILE:${target}> ${out}
    COMMAND ${CMAKE_OBJCOPY} --add-gnu-debuglink=${out}.debug ${out}
    COMMENT "Splitting the debug information of ${target} into ${path}.debug"
    VERBATIM)
endfunction()
