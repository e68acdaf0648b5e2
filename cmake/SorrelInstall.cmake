# Installation: headers (installed by each module), the shared library, a CMake
# package for find_package(SORRELKernel) and a pkg-config file.
include(CMakePackageConfigHelpers)

# Clients compile the installed headers as C++20 with the one include folder
# that the target names (its INSTALL_INTERFACE); no installed header reaches
# a third-party header, so the package names no other library. The install
# test compiles every installed header with these flags alone.
target_compile_features(SORRELKernel INTERFACE cxx_std_20)

# Components, one per Debian package (cmake/SorrelPackage.cmake): runtime
# (the library), dev (headers, the link, CMake and pkg-config files), tools,
# server and data (the bundled files both programs read).
install(TARGETS SORRELKernel EXPORT SORRELKernelTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)

install(EXPORT SORRELKernelTargets
  NAMESPACE SORRELKernel::
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/SORRELKernel COMPONENT dev)

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
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/SORRELKernel COMPONENT dev)

# The .pc file locates the prefix relative to itself, so that the package
# works wherever `cmake --install --prefix` puts it. It is made for the
# installed layout only, so it stays out of the build folder's top, where a
# PKG_CONFIG_PATH pointing at the build would find a file that lies.
file(RELATIVE_PATH SORREL_PC_PREFIX_FROM_PCDIR
  ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" SORREL_PC_PREFIX_FROM_PCDIR "${SORREL_PC_PREFIX_FROM_PCDIR}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/sorrelkernel.pc.in
  ${PROJECT_BINARY_DIR}/for-install/sorrelkernel.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/for-install/sorrelkernel.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)

include(SorrelPackage)
