# `cmake --install`: both programs, the shared database and the help file go into one program
# folder, <prefix>/lib/orvek-talvane/; <prefix>/bin gets a small launcher per program. The
# programs find the database beside themselves, and SQLite writes its -wal/-shm files there,
# so that folder must be writable by every user of the programs (README, "Installing").
set(ORVEK_INSTALL_PROGRAM_DIR lib/orvek-talvane)

function(orvek_install_program target)
  install(TARGETS ${target} RUNTIME DESTINATION ${ORVEK_INSTALL_PROGRAM_DIR})
  set(launcher ${CMAKE_BINARY_DIR}/launchers/${target})
  file(WRITE ${launcher}
    "#!/bin/sh\n"
    "# Runs ${target} from its program folder, beside the database it shares.\n"
    "here=$(dirname \"$(readlink -f \"$0\")\")\n"
    "exec \"$here/../${ORVEK_INSTALL_PROGRAM_DIR}/${target}\" \"$@\"\n")
  install(PROGRAMS ${launcher} DESTINATION bin)
endfunction()

orvek_install_program(Brenvik)
if(TARGET Kovaset)
  orvek_install_program(Kovaset)
endif()
install(FILES ${ORVEK_SHIPPED_DB} DESTINATION ${ORVEK_INSTALL_PROGRAM_DIR}
  PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ GROUP_WRITE WORLD_READ)
if(ORVEK_HELP_FILE)
  install(FILES ${ORVEK_HELP_FILE} DESTINATION ${ORVEK_INSTALL_PROGRAM_DIR})
endif()
