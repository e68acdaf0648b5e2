# An installed prefix moved as a whole still runs: `cmake --install --prefix`
# into a temporary folder, the folder renamed, then the programs run from
# there alone (relative RUNPATH, bundled files found from the program's
# place, no source path in their data). A program copied out of the build
# folder without its share/sorrel names what it cannot find. Included by
# CMakeLists.txt, this file registers the test that runs it again with -P,
# in the plain build only: sanitizer instrumentation stores source paths in
# the programs' constant data.
if(NOT CMAKE_SCRIPT_MODE_FILE)
  if(SORREL_SANITIZE)
    return()
  endif()
  add_test(NAME sorrel_install_prefix_moved_still_runs
    COMMAND ${CMAKE_COMMAND} -DBUILD=${PROJECT_BINARY_DIR} -DSOURCE=${PROJECT_SOURCE_DIR}
            -DWORK=${CMAKE_CURRENT_BINARY_DIR}/install_moved -DREADELF=${CMAKE_READELF}
            -DLIBDIR=${CMAKE_INSTALL_LIBDIR} -P ${CMAKE_CURRENT_LIST_FILE})
  set_tests_properties(sorrel_install_prefix_moved_still_runs PROPERTIES
    LABELS tools TIMEOUT 300 RESOURCE_LOCK installed_package)
  return()
endif()

function(run expected_code pattern)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT code EQUAL expected_code OR NOT "${out}${err}" MATCHES "${pattern}")
    message(FATAL_ERROR "${ARGN}: exit ${code}, output '${out}${err}'; "
                        "expected exit ${expected_code} and '${pattern}'")
  endif()
  set(run_output "${out}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${WORK})
run(0 "" ${CMAKE_COMMAND} --install ${BUILD} --prefix ${WORK}/prefix)
file(RENAME ${WORK}/prefix ${WORK}/moved)
set(prefix ${WORK}/moved)

foreach(program sorrel sorrel-server)
  run(0 "RUNPATH" ${READELF} -d ${prefix}/bin/${program})
  if(NOT run_output MATCHES "runpath: \\[\\$ORIGIN/\\.\\./${LIBDIR}\\]")
    message(FATAL_ERROR "${program}: RUNPATH is not relative: ${run_output}")
  endif()
  # What the program reads at run time (its constant data), not its debug
  # information, must not name the source or build folder.
  run(0 "" ${READELF} -p .rodata ${prefix}/bin/${program})
  if(run_output MATCHES "${SOURCE}/|${BUILD}/")
    message(FATAL_ERROR "${program} holds a path of the source or build folder")
  endif()
  run(0 "^[^\n]*SORRELKernel\\)? [0-9]+\\.[0-9]+\\.[0-9]+\n$" ${prefix}/bin/${program} --version)
endforeach()

# The sample session from the installed examples, against the installed
# server, its sample base in a folder of the test's.
run(0 "" ${CMAKE_COMMAND} -E env SORREL_SAMPLE_DIR=${WORK}/sample
  ${prefix}/bin/sorrel session ${prefix}/share/sorrel/examples/session.verger --out ${WORK}/out)
foreach(kind sgml tif png css)
  file(GLOB made ${WORK}/out/*.${kind})
  if(NOT made)
    message(FATAL_ERROR "the session made no .${kind} file in ${WORK}/out")
  endif()
endforeach()

# The pkg-config file of the moved prefix points into it.
set(ENV{PKG_CONFIG_PATH} ${prefix}/${LIBDIR}/pkgconfig)
run(0 "-I${prefix}/${LIBDIR}/pkgconfig/\\.\\./\\.\\./include/SORRELKernel"
  pkg-config --cflags sorrelkernel)

# The tool copied out of the build folder with the library but without
# share/sorrel: the message names the file, the folders and the way out.
file(MAKE_DIRECTORY ${WORK}/bare/bin)
file(GLOB library ${BUILD}/libSORRELKernel.so.*)
file(COPY ${BUILD}/sorrel ${library} DESTINATION ${WORK}/bare/bin)
run(1 "criteria.ini not found \\(looked in ${WORK}/bare/share/sorrel/examples, ${WORK}/bare/bin/share/sorrel/examples\\); set SORREL_DATA_DIR"
  ${WORK}/bare/bin/sorrel translate solar)
run(0 "SEARCH" ${WORK}/bare/bin/sorrel --data-dir ${SOURCE}/examples translate solar)
file(REMOVE_RECURSE ${WORK})
