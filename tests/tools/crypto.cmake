# sorrel md5 / encode / decode: the digest and the query-string encodings.
add_test(NAME sorrel_md5_prints_lowercase_hex_digest COMMAND sorrel md5 abc)
set_tests_properties(sorrel_md5_prints_lowercase_hex_digest PROPERTIES
  PASS_REGULAR_EXPRESSION "^900150983cd24fb0d6963f7d28e17f72\n$")

add_test(NAME sorrel_md5_of_empty_text COMMAND sorrel md5 "")
set_tests_properties(sorrel_md5_of_empty_text PROPERTIES
  PASS_REGULAR_EXPRESSION "^d41d8cd98f00b204e9800998ecf8427e\n$")

add_test(NAME sorrel_encode_escapes_all_but_letters_and_digits COMMAND sorrel encode "a b&c/é")
set_tests_properties(sorrel_encode_escapes_all_but_letters_and_digits PROPERTIES
  PASS_REGULAR_EXPRESSION "^a\\+b%26c%2F%C3%A9\n$")

add_test(NAME sorrel_decode_reads_plus_and_escapes COMMAND sorrel decode "a+b%26c%4a")
set_tests_properties(sorrel_decode_reads_plus_and_escapes PROPERTIES
  PASS_REGULAR_EXPRESSION "^a b&cJ\n$")

add_test(NAME sorrel_decode_requires_text COMMAND sorrel decode)
set_tests_properties(sorrel_decode_requires_text PROPERTIES WILL_FAIL TRUE)
