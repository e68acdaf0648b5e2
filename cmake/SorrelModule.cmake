# sorrel_add_module(NAME [DEPS module...] [LIBS target...])
#
# Builds the .cpp files of the calling folder into one object library,
# sorrel_NAME, that goes into libSORRELKernel.so and into every test program.
# DEPS names the lower subsystems this one may use, LIBS the external
# libraries; both are stated so that the build shows the layering.
function(sorrel_add_module name)
  cmake_parse_arguments(MOD "" "" "DEPS;LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(NOT sources)
    return()
  endif()
  set(target sorrel_${name})
  add_library(${target} OBJECT ${sources})
  target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>)
  target_compile_definitions(${target} PRIVATE SORREL_BUILDING_LIBRARY)
  set_target_properties(${target} PROPERTIES
    POSITION_INDEPENDENT_CODE ON
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  foreach(dep IN LISTS MOD_DEPS)
    # A lower subsystem that has no sources yet has no target to link.
    if(TARGET sorrel_${dep})
      target_link_libraries(${target} PUBLIC sorrel_${dep})
    endif()
  endforeach()
  if(MOD_LIBS)
    target_link_libraries(${target} PUBLIC ${MOD_LIBS})
  endif()
  set_property(GLOBAL APPEND PROPERTY SORREL_MODULES ${target})
  install(FILES ${headers} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/SORRELKernel/${name})
endfunction()

# sorrel_add_test_folder(NAME)
#
# One test program per source folder, made of the *_test.cpp files of the
# calling folder, linked against every subsystem's objects so that internal
# classes are testable without being exported.
function(sorrel_add_test_folder name)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  if(NOT sources)
    return()
  endif()
  get_property(modules GLOBAL PROPERTY SORREL_MODULES)
  set(target ${name}_tests)
  add_executable(${target} ${sources})
  target_link_libraries(${target} PRIVATE ${modules} GTest::gmock GTest::gtest_main)
  target_compile_definitions(${target} PRIVATE
    SORREL_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
    SORREL_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    SORREL_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS ${name})
endfunction()
