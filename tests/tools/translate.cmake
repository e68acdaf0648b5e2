# End-to-end checks of `sorrel translate`, run on the bundled criteria file.

# Lines given as arguments, one session: the leading criterion becomes the default.
add_test(NAME sorrel_translate_arguments
  COMMAND sorrel translate "a OR b" "/PD >=2000 AND a" "b")
set_tests_properties(sorrel_translate_arguments PROPERTIES PASS_REGULAR_EXPRESSION
  "SEARCH expression=\"TI AB=a OR TI AB=b\"\n.*SEARCH expression=\"PD>=2000 AND PD=a\"\nb\n  SEARCH expression=\"PD=b\"")

# Piped lines: the leading AND carries over to the next line.
add_test(NAME sorrel_translate_piped
  COMMAND sh -c "printf 'AND pump valve\\nseal gasket\\n' | $<TARGET_FILE:sorrel> translate")
set_tests_properties(sorrel_translate_piped PROPERTIES PASS_REGULAR_EXPRESSION
  "AND pump valve\n  SEARCH expression=\"TI AB=pump AND valve\"\nseal gasket\n  SEARCH expression=\"TI AB=seal AND gasket\"")

# A bad line is reported and the session goes on.
add_test(NAME sorrel_translate_bad_line_continues
  COMMAND sh -c "printf '..PR 5-3\\r\\na\\n' | $<TARGET_FILE:sorrel> translate")
set_tests_properties(sorrel_translate_bad_line_continues PROPERTIES PASS_REGULAR_EXPRESSION
  "error 5: Incorrect argument value\na\n  SEARCH expression=\"TI AB=a\"")

add_test(NAME sorrel_translate_json
  COMMAND sh -c "$<TARGET_FILE:sorrel> translate --json '..PR 1,3-4' 'a NOTP b'; echo exit=$?")
set_tests_properties(sorrel_translate_json PROPERTIES PASS_REGULAR_EXPRESSION
  "{\"line\":\"\\.\\.PR 1,3-4\",\"code\":0,\"command\":\"PRINT\",\"print_count\":3,\"print_list\":\\[1,3,4\\]}\n{\"line\":\"a NOTP b\",\"code\":1,\"message\":\"Command not supported\"}\nexit=2")

# A missing criteria file is a clear error and a failing exit status.
add_test(NAME sorrel_translate_missing_criteria_fails
  COMMAND sorrel translate --criteria ${CMAKE_CURRENT_BINARY_DIR}/no-such-criteria.ini a)
set_tests_properties(sorrel_translate_missing_criteria_fails PROPERTIES WILL_FAIL TRUE)
add_test(NAME sorrel_translate_missing_criteria_message
  COMMAND sorrel translate --criteria ${CMAKE_CURRENT_BINARY_DIR}/no-such-criteria.ini a)
set_tests_properties(sorrel_translate_missing_criteria_message PROPERTIES
  PASS_REGULAR_EXPRESSION "no-such-criteria.ini does not exist")
