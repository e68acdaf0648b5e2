# The modes of the files and folders that "sorrel" and "sorrel-server" create,
# checked with both programs run under an open umask and a narrower one.
if(TARGET sorrel-server)
  add_executable(sorrel_file_modes_tests ${CMAKE_CURRENT_LIST_DIR}/file_modes_test.cpp)
  target_link_libraries(sorrel_file_modes_tests PRIVATE sorrel_test_common GTest::gtest_main)
  target_compile_definitions(sorrel_file_modes_tests PRIVATE
    SORREL_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    SORREL_TOOL_BINARY="$<TARGET_FILE:sorrel>"
    SORREL_SERVER_BINARY="$<TARGET_FILE:sorrel-server>")
  add_dependencies(sorrel_file_modes_tests sorrel sorrel-server)
  gtest_discover_tests(sorrel_file_modes_tests DISCOVERY_TIMEOUT 60 PROPERTIES LABELS tools TIMEOUT 120)
endif()
