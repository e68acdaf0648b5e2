# The programs, their bundled files, manual pages, shell completion and the
# server's service, installed by component; the build folder's share/sorrel;
# and the Debian packages that CPack makes from the components
# (scripts/package.sh). docs/install.md describes the layout.

# Programs: RUNPATH $ORIGIN/../lib... (top CMakeLists.txt).
install(TARGETS sorrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
install(TARGETS sorrel-server RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT server)

# The bundled files keep the layout of examples/, under share/sorrel/examples;
# the scripts that made the samples stay in the sources. The build folder
# gets the same layout as a relative link, so the programs find the files
# the same way there, and a checkout moved as a whole still finds them.
set(SORREL_DATA_SUBDIR ${CMAKE_INSTALL_DATADIR}/sorrel)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${SORREL_DATA_SUBDIR}/examples
  COMPONENT data PATTERN "*.py" EXCLUDE PATTERN "*.sh" EXCLUDE)
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/share/sorrel)
file(RELATIVE_PATH examples_link ${PROJECT_BINARY_DIR}/share/sorrel ${PROJECT_SOURCE_DIR}/examples)
file(REMOVE ${PROJECT_BINARY_DIR}/share/sorrel/examples)
file(CREATE_LINK ${examples_link} ${PROJECT_BINARY_DIR}/share/sorrel/examples SYMBOLIC)
# The web page's files, once the sources hold them.
if(IS_DIRECTORY ${PROJECT_SOURCE_DIR}/web/page)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/web/page/ DESTINATION ${SORREL_DATA_SUBDIR}/web
    COMPONENT data)
  file(RELATIVE_PATH web_link ${PROJECT_BINARY_DIR}/share/sorrel ${PROJECT_SOURCE_DIR}/web/page)
  file(REMOVE ${PROJECT_BINARY_DIR}/share/sorrel/web)
  file(CREATE_LINK ${web_link} ${PROJECT_BINARY_DIR}/share/sorrel/web SYMBOLIC)
endif()

# Manual pages from the programs' --help (packaging/MakeManual.cmake); not in
# the sanitizer build, whose programs would run under the sanitizers while
# building.
find_program(HELP2MAN help2man)
if(HELP2MAN AND NOT SORREL_SANITIZE)
  set(man_dir ${PROJECT_BINARY_DIR}/man)
  file(MAKE_DIRECTORY ${man_dir})
  set(pages "")
  set(summary_sorrel "command-line front end of the SORRELKernel library")
  set(summary_sorrel-server "reference search server of the SORREL client")
  foreach(page IN ITEMS "sorrel;1;tools;ON" "sorrel-server;8;server;OFF")
    list(GET page 0 program)
    list(GET page 1 section)
    list(GET page 2 component)
    list(GET page 3 commands)
    set(include ${PROJECT_SOURCE_DIR}/packaging/man/${program}.h2m)
    add_custom_command(OUTPUT ${man_dir}/${program}.${section} ${man_dir}/${program}.${section}.gz
      COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${program}> -DNAME=${program}
        -DSECTION=${section} "-DSUMMARY=${summary_${program}}" -DINCLUDE=${include}
        -DOUTPUT=${man_dir}/${program}.${section} -DHELP2MAN=${HELP2MAN} -DCOMMANDS=${commands}
        -P ${PROJECT_SOURCE_DIR}/packaging/MakeManual.cmake
      DEPENDS ${program} ${include} ${PROJECT_SOURCE_DIR}/packaging/MakeManual.cmake
      COMMENT "Manual page ${program}(${section})" VERBATIM)
    list(APPEND pages ${man_dir}/${program}.${section})
    install(FILES ${man_dir}/${program}.${section}.gz
      DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section} COMPONENT ${component})
  endforeach()
  add_custom_target(manuals ALL DEPENDS ${pages})
else()
  message(STATUS "No help2man or a sanitizer build: the manual pages are neither made nor installed")
endif()

# bash completion, where bash-completion loads it on demand: one file per
# command name.
pkg_get_variable(SORREL_COMPLETIONS_DIR bash-completion completionsdir)
if(SORREL_COMPLETIONS_DIR AND CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  set(completions ${SORREL_COMPLETIONS_DIR})
else()
  set(completions ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/sorrel.bash-completion
  DESTINATION ${completions} RENAME sorrel COMPONENT tools)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/sorrel.bash-completion
  DESTINATION ${completions} RENAME sorrel-server COMPONENT server)

# The service: its unit, its options and its users table. A relative
# SORREL_SYSTEMD_UNIT_DIR stays under the prefix; the Debian build names
# /lib/systemd/system and /etc.
set(SORREL_SYSTEMD_UNIT_DIR lib/systemd/system CACHE STRING "Where the service's unit goes")
install(FILES ${PROJECT_SOURCE_DIR}/packaging/sorrel-server.service
  DESTINATION ${SORREL_SYSTEMD_UNIT_DIR} COMPONENT server)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/sorrel-server.conf
  ${PROJECT_SOURCE_DIR}/examples/server/users.ini
  DESTINATION ${CMAKE_INSTALL_SYSCONFDIR}/sorrel COMPONENT server)

include(SorrelDebian)
