# End-to-end checks of the small commands: md5, encode, decode, post's
# failures that need no server, translate, and idx, find and stylesheet on a
# small medium, sorted file and super style sheet made here. Included by
# CMakeLists.txt, this file registers the test that runs it again in script
# mode (cmake -P).
if(NOT CMAKE_SCRIPT_MODE_FILE)
  add_test(NAME sorrel_small_commands
    COMMAND ${CMAKE_COMMAND} -DSORREL=$<TARGET_FILE:sorrel>
            -DWORK=${CMAKE_CURRENT_BINARY_DIR}/small_commands -P ${CMAKE_CURRENT_LIST_FILE})
  # A script's function drops an empty argument: this one runs on its own.
  add_test(NAME sorrel_md5_of_empty_text COMMAND sorrel md5 "")
  set_tests_properties(sorrel_md5_of_empty_text PROPERTIES
    PASS_REGULAR_EXPRESSION "^d41d8cd98f00b204e9800998ecf8427e\n$")
  return()
endif()

include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/ExpectToolOutput.cmake)
set(ENV{no_proxy} "*")
set(ENV{LC_ALL} C.UTF-8)

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/medium/DOC1 ${WORK}/medium/DOC2)
file(WRITE ${WORK}/medium/DOC1/01234567.PDF "%PDF")
file(WRITE ${WORK}/medium/DOC2/DOCUMENT.PDF "%PDF")
# Keys padded with blanks to column 47, then the relative path.
string(REPEAT " " 34 pad)
file(WRITE ${WORK}/medium/EXCHANGE.IDX
  "USB2 01234567${pad}\\DOC1\\01234567.PDF\r\nUSB2 01234568${pad}\\DOC2\\01234568.tif\r\n")

expect_output(0 "medium/DOC1/01234567.PDF\n$" idx ${WORK}/medium/ "US 1234567 B2 ")
expect_output(0 "medium/DOC2/DOCUMENT.PDF\n$" idx ${WORK}/medium/ "US 1234568 B2 ")
expect_output(1 "\"USB2 01234569\" is not in" idx ${WORK}/medium/ "US 1234569 B2 ")
expect_output(1 "ending with a blank" idx ${WORK}/medium/ "US 1234567 B2")
expect_output(1 "directory must end with a separator" idx ${WORK}/medium "US 1234567 B2 ")

file(WRITE ${WORK}/sorted.txt "apple;1\nbanana;2\ncherry;3\n")
expect_output(0 "^8\tbanana;2\n$" find ${WORK}/sorted.txt banana)
expect_output(0 "^17\tcherry;3\n$" find ${WORK}/sorted.txt 3 --field 2 --numeric --complete)
expect_output(0 "^17\tcherry;3\n$" find ${WORK}/sorted.txt c --field 1 --near)
expect_output(1 "not found" find ${WORK}/sorted.txt durian --field 1 --complete)
expect_output(106 "--field: a field number" find ${WORK}/sorted.txt apple --field 0)

file(WRITE ${WORK}/super.ini
  "[STYLE_SHEET]\r\nCONDITION=NOTICE\r\nSTYLE_SHEET1=fr.xsl\r\nCONDITION1=lang=FR\r\n")
file(WRITE ${WORK}/french.xml "<doc lang=FR/>")
file(WRITE ${WORK}/other.xml "<doc lang=DE/>")
expect_output(0 "^fr.xsl\n$" stylesheet ${WORK}/super.ini ${WORK}/french.xml)
expect_output(1 "Impossible to find the information in data : <doc lang=DE/>"
              stylesheet ${WORK}/super.ini ${WORK}/other.xml)

expect_output(0 "^900150983cd24fb0d6963f7d28e17f72\n$" md5 abc)
expect_output(0 "^a\\+b%26c%2F%C3%A9\n$" encode "a b&c/é")
expect_output(0 "^a b&cJ\n$" decode "a+b%26c%4a")
expect_output(106 "TEXT is required" decode)

expect_output(1 "\"connected\":false,\"error\":\"Unsupported protocol.\"" post --json ftp://127.0.0.1/ a=1)
expect_output(1 "^Unsupported protocol.\n$" post ftp://127.0.0.1/ a=1)
expect_output(1 "\"error\":\"Invalid URL.\"" post --json "no url")
# Nothing listens on port 1 of the loopback address: the send is refused.
expect_output(1 "\"error\":\"12029: The attempt to connect to the server failed.\""
              post --json http://127.0.0.1:1/ q=1)

# Lines given as arguments are one session: the leading criterion becomes
# the default. Piped lines: a leading AND carries over to the next line, and
# a bad line (here ending in CR LF) is reported and the session goes on.
expect_output(0 "SEARCH expression=\"TI AB=a OR TI AB=b\"\n.*SEARCH expression=\"PD>=2000 AND PD=a\"\nb\n  SEARCH expression=\"PD=b\""
              translate "a OR b" "/PD >=2000 AND a" "b")
file(WRITE ${WORK}/lines "AND pump valve\nseal gasket\n..PR 5-3\r\na\n")
execute_process(COMMAND ${SORREL} translate INPUT_FILE ${WORK}/lines OUTPUT_VARIABLE piped)
if(NOT piped MATCHES "AND pump valve\n  SEARCH expression=\"TI AB=pump AND valve\"\nseal gasket\n  SEARCH expression=\"TI AB=seal AND gasket\"\n.*error 5: Incorrect argument value\na\n  SEARCH expression=\"TI AB=a\"")
  message(FATAL_ERROR "sorrel translate of piped lines: '${piped}'")
endif()
expect_output(2 "{\"line\":\"\\.\\.PR 1,3-4\",\"code\":0,\"command\":\"PRINT\",\"print_count\":3,\"print_list\":\\[1,3,4\\]}\n{\"line\":\"a NOTP b\",\"code\":1,\"message\":\"Command not supported\"}\n"
              translate --json "..PR 1,3-4" "a NOTP b")
# Accented letters translate (a letter the translator lacks becomes the
# one-letter wildcard, and says so); a character no code page holds is refused by name.
expect_output(0 "\"expression\":\"IN=Schäfer\"}\n.*\"folded\":\"[^\"]*ø as \\?.*\"expression\":\"IN=J\\?rgensen\""
              translate --json "Schäfer/IN" "Jørgensen/IN")
expect_output(2 "\"refused\":\"[^\"]*'€' \\(U\\+20AC\\)" translate --json "a € b")
