# End-to-end checks of "sorrel idx", "sorrel find" and "sorrel stylesheet".
# Included by CMakeLists.txt, this file registers one test that runs it again
# in script mode (cmake -P), where it builds a small medium, sorted file and
# super style sheet and checks what the commands print.
if(NOT CMAKE_SCRIPT_MODE_FILE)
  add_test(NAME sorrel_support_commands
    COMMAND ${CMAKE_COMMAND} -DSORREL=$<TARGET_FILE:sorrel>
            -DWORK=${CMAKE_CURRENT_BINARY_DIR}/support_commands
            -P ${CMAKE_CURRENT_LIST_FILE})
  return()
endif()

include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/ExpectToolOutput.cmake)

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
