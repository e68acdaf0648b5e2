# sorrel_add_module(NAME [DEPS module...] [LIBS target...] [INTERNAL header...]
#                   [LIBRARY_ONLY header...] [EXCLUDE source...] [APPLICATION])
#
# Builds the .cpp files of the calling folder (less those named in EXCLUDE)
# into one object library, sorrel_NAME, that goes into libSORRELKernel.so.
# An APPLICATION module (the session engine, the server's engine) is built
# the same way but stays out of the shared library: the programs that name it
# link its objects, and its headers are not installed. The build enforces the
# layering:
#   - every module named in DEPS must have been declared before this one
#     (lower layers are added first), otherwise configuring fails;
#   - the module's sources see its own folder and the public headers of its
#     DEPS (and of theirs), nothing else; there is no shared include root;
#   - headers listed in INTERNAL are visible only inside the module and its
#     tests, and are not installed;
#   - headers listed in LIBRARY_ONLY are visible to the library's other
#     modules but not to programs or application modules, and are not
#     installed: classes that the library shares inside itself without
#     exporting them.
# LIBS names the external libraries that the module uses.
function(sorrel_add_module name)
  cmake_parse_arguments(MOD "APPLICATION" "" "DEPS;LIBS;INTERNAL;LIBRARY_ONLY;EXCLUDE" ${ARGN})
  get_property(known GLOBAL PROPERTY SORREL_KNOWN_MODULES)
  if(name IN_LIST known)
    message(FATAL_ERROR "module '${name}' is declared twice")
  endif()
  set(closure "")
  foreach(dep IN LISTS MOD_DEPS)
    if(NOT dep IN_LIST known)
      message(FATAL_ERROR
        "module '${name}' depends on '${dep}', which is not a module declared before it")
    endif()
    get_property(dep_closure GLOBAL PROPERTY SORREL_MODULE_CLOSURE_${dep})
    list(APPEND closure ${dep} ${dep_closure})
  endforeach()
  list(REMOVE_DUPLICATES closure)

  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(excluded IN LISTS MOD_EXCLUDE)
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  file(GLOB headers RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  foreach(header IN LISTS MOD_INTERNAL MOD_LIBRARY_ONLY)
    if(NOT header IN_LIST headers)
      message(FATAL_ERROR "module '${name}': header '${header}' does not exist")
    endif()
  endforeach()
  set(public_headers ${headers})
  if(MOD_INTERNAL)
    list(REMOVE_ITEM public_headers ${MOD_INTERNAL})
  endif()

  # Include roots made of links: public/NAME/ holds the public headers only,
  # private/NAME points at the whole folder.
  set(root ${PROJECT_BINARY_DIR}/module-include/${name})
  file(REMOVE_RECURSE ${root})
  file(MAKE_DIRECTORY ${root}/public/${name} ${root}/private)
  foreach(header IN LISTS public_headers)
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR}/${header} ${root}/public/${name}/${header} SYMBOLIC)
  endforeach()
  file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/private/${name} SYMBOLIC)

  set(target sorrel_${name})
  if(sources)
    add_library(${target} OBJECT ${sources})
    target_include_directories(${target}
      PRIVATE ${root}/private
      INTERFACE $<BUILD_INTERFACE:${root}/public>)
    target_compile_definitions(${target} PRIVATE SORREL_BUILDING_LIBRARY)
    set_target_properties(${target} PROPERTIES
      POSITION_INDEPENDENT_CODE ON
      CXX_VISIBILITY_PRESET hidden
      VISIBILITY_INLINES_HIDDEN ON)
    set(scope PUBLIC)
    if(NOT MOD_APPLICATION)
      set_property(GLOBAL APPEND PROPERTY SORREL_MODULES ${target})
    endif()
  else()
    # A module with headers only, or none yet: usage requirements alone.
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE $<BUILD_INTERFACE:${root}/public>)
    set(scope INTERFACE)
  endif()
  foreach(dep IN LISTS MOD_DEPS)
    target_link_libraries(${target} ${scope} sorrel_${dep})
  endforeach()
  if(MOD_LIBS)
    target_link_libraries(${target} ${scope} ${MOD_LIBS})
  endif()

  set_property(GLOBAL APPEND PROPERTY SORREL_KNOWN_MODULES ${name})
  set_property(GLOBAL PROPERTY SORREL_MODULE_CLOSURE_${name} ${closure})
  set_property(GLOBAL PROPERTY SORREL_MODULE_APPLICATION_${name} ${MOD_APPLICATION})
  set_property(GLOBAL PROPERTY SORREL_MODULE_PUBLIC_INCLUDE_${name} ${root}/public)
  set_property(GLOBAL PROPERTY SORREL_MODULE_PRIVATE_INCLUDE_${name} ${root}/private)
  list(TRANSFORM headers PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
  if(MOD_APPLICATION)
    set(kind application)
  else()
    set(kind library)
  endif()
  _sorrel_record_layering(${name} ${name} ${kind} "${MOD_DEPS}" "${MOD_INTERNAL}"
    "${MOD_LIBRARY_ONLY}" ${sources} ${headers})
  if(NOT MOD_APPLICATION)
    if(MOD_LIBRARY_ONLY)
      list(REMOVE_ITEM public_headers ${MOD_LIBRARY_ONLY})
    endif()
    list(TRANSFORM public_headers PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
    install(FILES ${public_headers} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/SORRELKernel/${name})
  endif()
endfunction()

# sorrel_add_program(NAME SOURCES file... [DEPS module...] [LIBS target...] [SHARED])
#
# A program (an executable, or with SHARED a library loaded at run time) made
# of SOURCES in the calling folder. Like a module, it sees only its own
# folder, as "FOLDER/NAME.h" (FOLDER is the calling folder's name), and the public headers of its DEPS; a program in the folder of
# a module it names in DEPS sees that module's public headers only; the layering test checks
# its includes against DEPS. It links the objects of the APPLICATION modules
# among its DEPS (and theirs) and libSORRELKernel.so for the library's
# modules. A SHARED program gets no module objects and not the library: it
# names in DEPS only what it compiles in itself.
function(sorrel_add_program name)
  cmake_parse_arguments(PROG "SHARED" "" "SOURCES;DEPS;LIBS" ${ARGN})
  get_property(known GLOBAL PROPERTY SORREL_KNOWN_MODULES)
  foreach(dep IN LISTS PROG_DEPS)
    if(NOT dep IN_LIST known)
      message(FATAL_ERROR
        "program '${name}' depends on '${dep}', which is not a module declared before it")
    endif()
  endforeach()
  get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  set(root ${PROJECT_BINARY_DIR}/module-include/program-${name})
  file(REMOVE_RECURSE ${root})
  file(MAKE_DIRECTORY ${root})
  if(folder IN_LIST PROG_DEPS)
    # The program's folder is a module's (server/main.cpp beside the server's
    # engine): it reaches that module through its public headers, like any
    # other user of it.
    set(self "")
  else()
    set(self ${folder})
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${folder} SYMBOLIC)
  endif()

  set(sources "")
  foreach(source IN LISTS PROG_SOURCES)
    get_filename_component(source ${source} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    list(APPEND sources ${source})
  endforeach()
  if(PROG_SHARED)
    add_library(${name} SHARED ${sources})
    foreach(dep IN LISTS PROG_DEPS)
      get_property(dir GLOBAL PROPERTY SORREL_MODULE_PUBLIC_INCLUDE_${dep})
      target_include_directories(${name} PRIVATE ${dir})
    endforeach()
  else()
    add_executable(${name} ${sources})
    set(application_objects "")
    foreach(dep IN LISTS PROG_DEPS)
      get_property(closure GLOBAL PROPERTY SORREL_MODULE_CLOSURE_${dep})
      foreach(module IN ITEMS ${dep} ${closure})
        get_property(application GLOBAL PROPERTY SORREL_MODULE_APPLICATION_${module})
        get_target_property(type sorrel_${module} TYPE)
        if(application AND type STREQUAL "OBJECT_LIBRARY")
          list(APPEND application_objects sorrel_${module})
        endif()
      endforeach()
    endforeach()
    list(REMOVE_DUPLICATES application_objects)
    # The library's modules come from the shared library: of them the
    # program takes only the public headers.
    foreach(dep IN LISTS PROG_DEPS)
      get_property(closure GLOBAL PROPERTY SORREL_MODULE_CLOSURE_${dep})
      foreach(module IN ITEMS ${dep} ${closure})
        get_property(dir GLOBAL PROPERTY SORREL_MODULE_PUBLIC_INCLUDE_${module})
        target_include_directories(${name} PRIVATE ${dir})
      endforeach()
    endforeach()
    target_link_libraries(${name} PRIVATE ${application_objects} SORRELKernel)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
  endif()
  target_include_directories(${name} PRIVATE ${root})
  if(PROG_LIBS)
    target_link_libraries(${name} PRIVATE ${PROG_LIBS})
  endif()

  if(self)
    file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  else()
    set(headers "")
  endif()
  _sorrel_record_layering(${name} "${self}" program "${PROG_DEPS}" "" "" ${sources} ${headers})
endfunction()

# Notes one module's or program's files for the layering test: the include
# prefix that names itself, its kind (library, application or program), its
# declared dependencies, its internal and library-only headers.
function(_sorrel_record_layering name self kind deps internal library_only)
  string(REPLACE ";" "," deps "${deps}")
  string(REPLACE ";" "," internal "${internal}")
  string(REPLACE ";" "," library_only "${library_only}")
  string(REPLACE ";" "," files "${ARGN}")
  set_property(GLOBAL APPEND PROPERTY SORREL_LAYERING_LINES
    "${name}|${self}|${kind}|${deps}|${internal}|${library_only}|${files}")
endfunction()

# sorrel_module_objects(OUT NAME...)
#
# The object libraries that a program needs to link the named modules: each
# one and everything it depends on, since the objects of an object library
# reach only a target that links it directly.
function(sorrel_module_objects out)
  set(result "")
  foreach(name IN LISTS ARGN)
    get_property(closure GLOBAL PROPERTY SORREL_MODULE_CLOSURE_${name})
    foreach(module IN ITEMS ${name} ${closure})
      get_target_property(type sorrel_${module} TYPE)
      if(type STREQUAL "OBJECT_LIBRARY")
        list(APPEND result sorrel_${module})
      endif()
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES result)
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# sorrel_add_test_folder(NAME)
#
# One test program per source folder, made of the *_test.cpp files of the
# calling folder, linked against module NAME and its dependencies only. The
# tests see the module's internal headers, so internal classes are testable
# without being exported, and the shared test helpers of tests/common. They
# read the bundled files from the sources (tests/common/SourceDataFolder.cpp).
function(sorrel_add_test_folder name)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  if(NOT sources)
    return()
  endif()
  sorrel_module_objects(objects ${name})
  get_property(private_include GLOBAL PROPERTY SORREL_MODULE_PRIVATE_INCLUDE_${name})
  set(target ${name}_tests)
  add_executable(${target} ${sources} ${PROJECT_SOURCE_DIR}/tests/common/SourceDataFolder.cpp)
  target_link_libraries(${target} PRIVATE ${objects} sorrel_${name} sorrel_test_common
    GTest::gmock GTest::gtest_main)
  target_include_directories(${target} PRIVATE ${private_include})
  target_compile_definitions(${target} PRIVATE
    SORREL_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
    SORREL_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    SORREL_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS ${name})
endfunction()

# sorrel_write_layering_manifest(FILE)
#
# Writes, for the layering test, one line per module or program:
#   NAME|SELF|KIND|DEP,DEP...|INTERNAL,...|LIBRARY_ONLY,...|FILE,FILE...
# SELF is the include prefix of its own folder. Programs are declared after
# the library, so the manifest is written at the end of configuring.
function(sorrel_write_layering_manifest file)
  get_property(lines GLOBAL PROPERTY SORREL_LAYERING_LINES)
  list(JOIN lines "\n" text)
  file(WRITE ${file} "${text}\n")
endfunction()
