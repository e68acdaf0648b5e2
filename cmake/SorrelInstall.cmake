# Installation: headers (installed by each module), the shared library, a CMake
# package for find_package(SORRELKernel) and a pkg-config file.
include(CMakePackageConfigHelpers)

# Clients compile the installed headers as C++20 with the one include folder
# that the target names (its INSTALL_INTERFACE); no installed header reaches
# a third-party header, so the package names no other library. The install
# test compiles every installed header with these flags alone.
target_compile_features(SORRELKernel INTERFACE cxx_std_20)

install(TARGETS SORRELKernel EXPORT SORRELKernelTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS sorrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(EXPORT SORRELKernelTargets
  NAMESPACE SORRELKernel::
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/SORRELKernel)

configure_package_config_file(
  ${PROJECT_SOURCE_DIR}/cmake/SORRELKernelConfig.cmake.in
  ${PROJECT_BINARY_DIR}/SORRELKernelConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/SORRELKernel)
write_basic_package_version_file(
  ${PROJECT_BINARY_DIR}/SORRELKernelConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${PROJECT_BINARY_DIR}/SORRELKernelConfig.cmake
  ${PROJECT_BINARY_DIR}/SORRELKernelConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/SORRELKernel)

# The .pc file locates the prefix relative to itself, so that the package
# works wherever `cmake --install --prefix` puts it.
file(RELATIVE_PATH SORREL_PC_PREFIX_FROM_PCDIR
  ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" SORREL_PC_PREFIX_FROM_PCDIR "${SORREL_PC_PREFIX_FROM_PCDIR}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/sorrelkernel.pc.in
  ${PROJECT_BINARY_DIR}/sorrelkernel.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/sorrelkernel.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
