# Run by CPack between the install into its staging folder and the packing: strips
# the packaged programs as Debian's dh_strip does (the symbols, and the .comment and
# .note sections that "strip" alone keeps).
file(GLOB programs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/bin/*")
foreach(program ${programs})
  execute_process(
    COMMAND ${CPACK_VELMORA_STRIP} --strip-unneeded --remove-section=.comment
            --remove-section=.note ${program}
    RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "cannot strip ${program}")
  endif()
endforeach()
