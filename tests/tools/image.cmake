# End-to-end checks of "sorrel croft make", "sorrel tiff" and "sorrel bitmap
# draw". Included by CMakeLists.txt, this file registers one test that runs it
# again in script mode (cmake -P) on the sample pictures of examples/croft.
if(NOT CMAKE_SCRIPT_MODE_FILE)
  add_test(NAME sorrel_image_commands
    COMMAND ${CMAKE_COMMAND} -DSORREL=$<TARGET_FILE:sorrel>
            -DWORK=${CMAKE_CURRENT_BINARY_DIR}/image_commands
            -DEXAMPLES=${PROJECT_SOURCE_DIR}/examples/croft
            -DPICTURES=${PROJECT_SOURCE_DIR}/examples/bitmap
            -P ${CMAKE_CURRENT_LIST_FILE})
  return()
endif()

include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/ExpectToolOutput.cmake)

function(expect_size file expected)
  file(SIZE ${file} size)
  if(NOT size EQUAL expected)
    message(FATAL_ERROR "${file}: ${size} bytes, expected ${expected}")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

# A record made from a picture converts to a TIFF of 418 bytes of head plus
# the record's data, and a PNG of the decoded page; no libtiff remark shows.
expect_output(0 "page.croft: 400x566 pixels, [0-9]+ bytes of Group 4 data"
              croft make ${EXAMPLES}/drawing.png ${WORK}/page.croft --label "CHECK")
expect_output(0 "^${WORK}/out/page.tif\n${WORK}/out/page.png\n$"
              tiff ${WORK}/page.croft -o ${WORK}/out --png)
file(SIZE ${WORK}/page.croft record_size)
math(EXPR tiff_size "${record_size} - 256 + 418")
expect_size(${WORK}/out/page.tif ${tiff_size})
file(READ ${WORK}/out/page.png signature LIMIT 4 HEX)
if(NOT signature STREQUAL "89504e47")
  message(FATAL_ERROR "page.png is not a PNG file")
endif()

# Every sample record converts, beside itself when no directory is given.
file(COPY ${EXAMPLES}/letter.croft ${EXAMPLES}/claims.croft DESTINATION ${WORK}/samples)
expect_output(0 "samples/letter.tif\n.*samples/claims.tif\n$"
              tiff ${WORK}/samples/letter.croft ${WORK}/samples/claims.croft)

# A record cut short is refused by name, the others still convert.
execute_process(COMMAND head -c 300 ${WORK}/page.croft OUTPUT_FILE ${WORK}/cut.croft)
expect_output(1 "cut.croft is not a CROFT record: the header counts [0-9]+ bytes of image data, but only 44 follow it"
              tiff ${WORK}/cut.croft ${WORK}/page.croft -o ${WORK}/again)
if(EXISTS ${WORK}/again/cut.tif OR NOT EXISTS ${WORK}/again/page.tif)
  message(FATAL_ERROR "a refused record left a TIFF, or stopped the others")
endif()
file(WRITE ${WORK}/short.croft "too short")
expect_output(1 "short.croft is not a CROFT record: 9 bytes, too short" tiff ${WORK}/short.croft)
expect_output(1 "missing.croft does not exist" tiff ${WORK}/missing.croft)

# A picture drawn onto a background, opaque and transparent, even partly off
# its edge, gives a PNG; pictures that are not PNG files are refused.
expect_output(0 "^${WORK}/trans.png\n$"
              bitmap draw ${PICTURES}/stamp.png ${PICTURES}/pattern.png ${WORK}/trans.png --trans
              --x 40 --y 30)
expect_output(0 "^${WORK}/opaque.png\n$"
              bitmap draw ${PICTURES}/stamp.png ${PICTURES}/pattern.png ${WORK}/opaque.png
              --x 120 --y -10)
foreach(result trans opaque)
  file(READ ${WORK}/${result}.png signature LIMIT 4 HEX)
  if(NOT signature STREQUAL "89504e47")
    message(FATAL_ERROR "${result}.png is not a PNG file")
  endif()
endforeach()
expect_output(1 "cut.croft is not a PNG picture" bitmap draw ${WORK}/cut.croft ${PICTURES}/pattern.png ${WORK}/x.png)
