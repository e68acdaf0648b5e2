# sorrel post: failures that need no server, each with its text and exit status.
add_test(NAME sorrel_post_refuses_other_schemes COMMAND sorrel post ftp://127.0.0.1/ a=1)
set_tests_properties(sorrel_post_refuses_other_schemes PROPERTIES
  WILL_FAIL TRUE)
add_test(NAME sorrel_post_names_an_unsupported_protocol COMMAND sorrel post --json ftp://127.0.0.1/)
set_tests_properties(sorrel_post_names_an_unsupported_protocol PROPERTIES
  PASS_REGULAR_EXPRESSION "\"connected\":false,\"error\":\"Unsupported protocol.\"")
add_test(NAME sorrel_post_names_an_invalid_url COMMAND sorrel post --json "no url")
set_tests_properties(sorrel_post_names_an_invalid_url PROPERTIES
  PASS_REGULAR_EXPRESSION "\"error\":\"Invalid URL.\"")
# Nothing listens on port 1 of the loopback address: the send is refused.
add_test(NAME sorrel_post_reports_a_refused_connection
  COMMAND sorrel post --json http://127.0.0.1:1/ q=1)
set_tests_properties(sorrel_post_reports_a_refused_connection PROPERTIES
  ENVIRONMENT "no_proxy=*"
  PASS_REGULAR_EXPRESSION "\"error\":\"12029: The attempt to connect to the server failed.\"")
add_test(NAME sorrel_post_requires_name_equals_value COMMAND sorrel post http://127.0.0.1:1/ novalue)
set_tests_properties(sorrel_post_requires_name_equals_value PROPERTIES WILL_FAIL TRUE)
