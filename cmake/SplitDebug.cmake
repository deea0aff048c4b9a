# Split debug information, as users of stripped executables expect:
#   kelmarosz_split_debug(<target> <name>)
# builds, after <target>, a stripped copy <name> beside it and the debug file
# <name>.debug that its .gnu_debuglink names (with that file's CRC-32). The
# run-time error report finds the debug file beside the executable, or under
# /usr/lib/debug followed by the executable's directory, and checks the CRC;
# without a matching file its back-trace lines hold addresses only.
function(kelmarosz_split_debug target name)
  set(dir $<TARGET_FILE_DIR:${target}>)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> ${dir}/${name}.debug
    COMMAND ${CMAKE_OBJCOPY} --strip-all $<TARGET_FILE:${target}> ${dir}/${name}
    COMMAND ${CMAKE_OBJCOPY} --add-gnu-debuglink=${dir}/${name}.debug ${dir}/${name}
    COMMENT "Splitting the debug information of ${target} into ${name}.debug"
    VERBATIM)
endfunction()
