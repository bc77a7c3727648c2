# Run by CPack in the staged tree before it packs: takes out the .comment section (the
# compilers' version notes) of the game's binaries, as Debian's dh_strip does.
find_program(OBJCOPY objcopy)
file(GLOB_RECURSE staged_games "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/games/korvalen"
     "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/games/korvalen-replay")
foreach(binary ${staged_games})
  execute_process(COMMAND ${OBJCOPY} --remove-section=.comment ${binary} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "objcopy could not strip ${binary}")
  endif()
endforeach()
