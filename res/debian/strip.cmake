# Run by CPack on the staged files before it packs them: strips the executables
# as dh_strip does, which also drops the .comment and .note sections that a
# plain strip keeps.
file(GLOB executables "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/bin/*")
if(NOT executables)
    message(FATAL_ERROR "strip.cmake: no executable under ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/bin")
endif()
foreach(executable ${executables})
    execute_process(COMMAND strip --remove-section=.comment --remove-section=.note ${executable}
                    COMMAND_ERROR_IS_FATAL ANY)
endforeach()
