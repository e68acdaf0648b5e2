# End-to-end checks of the server commands (login, bases, info, query, check,
# file) against the reference server on a free loopback port.
if(TARGET sorrel-server)
  add_test(NAME sorrel_server_commands
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/server_commands.sh $<TARGET_FILE:sorrel>
      $<TARGET_FILE:sorrel-server> ${PROJECT_SOURCE_DIR}/tests/server/data/small)
  set_tests_properties(sorrel_server_commands PROPERTIES TIMEOUT 120)
endif()
