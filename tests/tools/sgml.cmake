# End-to-end checks of "sorrel sgml": the bundled patent template converts the
# sample documents, every output validates against patent.dtd with onsgmls
# (OpenSP), one output matches its expected bytes, and --check names the line
# of a template's first error.
if(NOT CMAKE_SCRIPT_MODE_FILE)
  find_program(ONSGMLS onsgmls REQUIRED)
  add_test(NAME sorrel_sgml_patent_template_validates
    COMMAND ${CMAKE_COMMAND} -DSORREL=$<TARGET_FILE:sorrel> -DONSGMLS=${ONSGMLS}
            -DSOURCE=${PROJECT_SOURCE_DIR} -DWORK=${CMAKE_CURRENT_BINARY_DIR}/sgml_command
            -P ${CMAKE_CURRENT_LIST_FILE})
  return()
endif()

include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/ExpectToolOutput.cmake)

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/out)
set(tpl ${SOURCE}/examples/templates/patent.tpl)
file(GLOB documents ${SOURCE}/examples/documents/*.ktf)

expect_output(0 "valid, 28 entries, 6 rules" sgml --check ${tpl})
expect_output(0 "EP1000000A1.sgml\n.*US1234567B2.sgml\n.*DE19912345.sgml\n"
              sgml ${tpl} ${documents} -o ${WORK}/out)

# -o makes a missing folder, with its parents.
expect_output(0 "made/here/JP2005123456A.sgml\n$"
              sgml ${tpl} ${SOURCE}/examples/documents/minimal.ktf -o ${WORK}/made/here)

file(GLOB outputs ${WORK}/out/*.sgml)
list(LENGTH outputs count)
if(count LESS 4)
  message(FATAL_ERROR "expected an SGML file per sample document, got: ${outputs}")
endif()
foreach(output IN LISTS outputs)
  execute_process(COMMAND ${ONSGMLS} -s -D ${SOURCE}/examples/templates ${output}
    RESULT_VARIABLE code ERROR_VARIABLE err)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "${output} does not validate against patent.dtd:\n${err}")
  endif()
endforeach()

# Values holding quotation marks and markup stay inside their attribute and
# element: the output validates and the parser reads the values back intact.
file(WRITE ${WORK}/hostile.ktf
     "PN=EP 7 A1\nTI=say \"hi\" <b> & bye\nFP=a\"HE=\"9\"><![CDATA[x 297 210 0 0\nFP=b&c<d>e'f 1 2 3 4\n")
expect_output(0 "EP7A1.sgml" sgml ${tpl} ${WORK}/hostile.ktf -o ${WORK}/hostile)
execute_process(COMMAND ${ONSGMLS} -D ${SOURCE}/examples/templates ${WORK}/hostile/EP7A1.sgml
  RESULT_VARIABLE code OUTPUT_VARIABLE esis ERROR_VARIABLE err)
foreach(expected IN ITEMS "AFILE CDATA a\"HE=\"9\"><!\\[CDATA\\[x\nAHE TOKEN 297\n"
                          "AFILE CDATA b&c<d>e'f\nAHE TOKEN 1\n" "-say \"hi\" <b> & bye\n")
  if(NOT code EQUAL 0 OR NOT esis MATCHES "${expected}")
    message(FATAL_ERROR "hostile values broke the SGML file (${code}):\n${err}\n${esis}")
  endif()
endforeach()

file(READ ${WORK}/out/EP1000000A1.sgml actual HEX)
file(READ ${SOURCE}/tests/data/sgml/patent-EP1000000A1.sgml expected HEX)
if(NOT actual STREQUAL expected)
  message(FATAL_ERROR "EP1000000A1.sgml differs from tests/data/sgml/patent-EP1000000A1.sgml")
endif()

file(WRITE ${WORK}/bad.tpl "TEMPLATE\n{ \"<A>\"\n  [(TI) \"%d\"]\n\"</A>\" }\n")
expect_output(1 "bad.tpl:3: A field format must hold exactly one %s" sgml --check ${WORK}/bad.tpl)
expect_output(1 "bad.tpl:3: A field format" sgml ${WORK}/bad.tpl ${documents} -o ${WORK}/out)
file(WRITE ${WORK}/broken.ktf "PN=EP 1\nnot a field\n")
expect_output(1 "broken.ktf is not a KTF document: line 2: not a CODE=VALUE line" sgml ${tpl} ${WORK}/broken.ktf
              -o ${WORK}/out)
expect_output(106 "give at least one KTF document file" sgml ${tpl})
