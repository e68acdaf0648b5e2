# Installs the build into a fresh prefix, then builds and runs the client in
# CLIENT_DIR against it: first with find_package(SORRELKernel), then with the
# flags that pkg-config gives for sorrelkernel. Besides its own source the
# client compiles one that includes every header the install put under
# INCLUDE_DIR/SORRELKernel, so that a header needing a flag the package does
# not give fails the build.
cmake_minimum_required(VERSION 3.25)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "failed (${result}): ${ARGN}\n${out}\n${err}")
  endif()
  set(run_output "${out}" PARENT_SCOPE)
endfunction()

function(expect_client_output output)
  set(expected "900150983cd24fb0d6963f7d28e17f72 a+b%26c iac_op,action,iac_base,version")
  if(NOT output STREQUAL "${expected} http://host/app/\n")
    message(FATAL_ERROR "unexpected client output: '${output}'")
  endif()
endfunction()

set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

# The list comes from the install tree itself, so a header added to or taken
# out of the package needs no change here.
set(header_root ${prefix}/${INCLUDE_DIR}/SORRELKernel)
file(GLOB_RECURSE headers RELATIVE ${header_root} ${header_root}/*.h)
list(SORT headers)
foreach(expected platform/CString.h net/HttpController.h iac/InternetAccessController.h)
  if(NOT expected IN_LIST headers)
    message(FATAL_ERROR "public header ${expected} is not installed; installed: ${headers}")
  endif()
endforeach()
foreach(internal net/HttpTransfer.h iac/IacAuthenticationResponse.h platform/ReplaceableHandler.h
    xml/XmlDocument.h)
  if(internal IN_LIST headers)
    message(FATAL_ERROR "internal header ${internal} is installed")
  endif()
endforeach()
set(all_headers ${WORK_DIR}/installed_headers.cpp)
set(text "// Every installed header, listed by InstalledPackageCheck.cmake.\n")
foreach(header IN LISTS headers)
  string(APPEND text "#include \"${header}\"\n")
endforeach()
file(WRITE ${all_headers} "${text}")

# find_package
run(${CMAKE_COMMAND} -S ${CLIENT_DIR} -B ${WORK_DIR}/client -G ${GENERATOR}
    -DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM} -DCMAKE_CXX_COMPILER=${CXX}
    "-DCMAKE_CXX_FLAGS=${CLIENT_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${CLIENT_FLAGS}"
    -DCMAKE_PREFIX_PATH=${prefix} -DSORREL_INSTALLED_HEADERS=${all_headers})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/client)
run(${WORK_DIR}/client/sorrel_client)
expect_client_output("${run_output}")

# pkg-config
file(GLOB_RECURSE pc_files ${prefix}/*/sorrelkernel.pc)
list(LENGTH pc_files pc_count)
if(NOT pc_count EQUAL 1)
  message(FATAL_ERROR "expected one installed sorrelkernel.pc, found: ${pc_files}")
endif()
get_filename_component(pc_dir ${pc_files} DIRECTORY)
set(ENV{PKG_CONFIG_PATH} ${pc_dir})
run(pkg-config --cflags --libs sorrelkernel)
string(STRIP "${run_output}" pc_flags)
separate_arguments(pc_flags UNIX_COMMAND "${pc_flags} ${CLIENT_FLAGS} -Wall -Wextra -Werror")
run(${CXX} ${CLIENT_DIR}/main.cpp ${all_headers} ${pc_flags} -o ${WORK_DIR}/sorrel_client_pc)
run(pkg-config --variable=libdir sorrelkernel)
string(STRIP "${run_output}" libdir)
set(ENV{LD_LIBRARY_PATH} ${libdir})
run(${WORK_DIR}/sorrel_client_pc)
expect_client_output("${run_output}")
