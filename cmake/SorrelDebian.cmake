# Debian packages from the install components, made by CPack's DEB generator
# (scripts/package.sh configures with SORREL_DEBIAN_PACKAGE=ON):
#   libsorrelkernel<SOVERSION>  the library (runtime)
#   libsorrelkernel-dev         headers, the .so link, CMake and pkg-config files (dev)
#   sorrel-common               the bundled files under share/sorrel (data)
#   sorrel                      the sorrel tool, Trellis.dll and trellis.jar (tools)
#   sorrel-server               the reference server and its systemd service (server)
# dpkg-shlibdeps computes each package's library dependencies; the
# dependencies between these packages come from the components' own.
option(SORREL_DEBIAN_PACKAGE "Configure the install for the Debian packages" OFF)

set(SORREL_MAINTAINER "SORRELKernel developers <developers@sorrelkernel.example.org>")
set(SORREL_DEB_NAMES
  runtime libsorrelkernel${PROJECT_VERSION_MAJOR}
  dev libsorrelkernel-dev
  data sorrel-common
  tools sorrel
  server sorrel-server)

if(SORREL_DEBIAN_PACKAGE)
  # Each package carries its copyright and changelog where Debian expects them.
  set(changelog ${PROJECT_BINARY_DIR}/for-install/changelog)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${changelog} @ONLY)
  add_custom_command(OUTPUT ${changelog}.gz
    COMMAND gzip -9nkf ${changelog} DEPENDS ${changelog} VERBATIM)
  add_custom_target(debian_changelog ALL DEPENDS ${changelog}.gz)
  set(names ${SORREL_DEB_NAMES})
  while(names)
    list(POP_FRONT names component package)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${changelog}.gz
      DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
  endwhile()
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sorrelkernel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${SORREL_MAINTAINER})
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime dev data tools server)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The tools and the server link the library built here, not one installed.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR})
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(names ${SORREL_DEB_NAMES})
while(names)
  list(POP_FRONT names component package)
  string(TOUPPER ${component} upper)
  set(CPACK_DEBIAN_${upper}_PACKAGE_NAME ${package})
endwhile()
set(CPACK_COMPONENT_DEV_DEPENDS runtime)
set(CPACK_COMPONENT_TOOLS_DEPENDS runtime data)
set(CPACK_COMPONENT_SERVER_DEPENDS runtime data)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DATA_PACKAGE_ARCHITECTURE all)
# `sorrel web` shows documents through OpenSP's osx; everything else runs without it.
set(CPACK_DEBIAN_TOOLS_PACKAGE_RECOMMENDS "sorrel-server, opensp")
set(CPACK_DEBIAN_TOOLS_PACKAGE_SUGGESTS default-jre-headless)
# The maintainer scripts make the service's user (useradd) and drive systemd.
set(CPACK_DEBIAN_SERVER_PACKAGE_DEPENDS "passwd, init-system-helpers (>= 1.54)")
set(server_scripts ${PROJECT_SOURCE_DIR}/packaging/server)
set(CPACK_DEBIAN_SERVER_PACKAGE_CONTROL_EXTRA ${server_scripts}/postinst ${server_scripts}/prerm
  ${server_scripts}/postrm ${server_scripts}/conffiles)
# ldconfig runs once per dpkg run through its trigger.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/runtime/triggers)

set(CPACK_COMPONENT_RUNTIME_DESCRIPTION "kernel library of the SORREL patent-search client
The SORRELKernel shared library: the VERGER command-language translator,
the search server's session protocol over HTTP(S), KTF documents, SGML
conversion, CROFT facsimile pages and the Java bridge.")
set(CPACK_COMPONENT_DEV_DESCRIPTION "kernel library of the SORREL client - development files
Headers, the link library, the CMake package (find_package(SORRELKernel))
and the pkg-config module sorrelkernel of the SORRELKernel library.")
set(CPACK_COMPONENT_DATA_DESCRIPTION "bundled files of the sorrel tool and server
Criteria profile, SGML template and DTD, style sheets, sample facsimile
pages, the reference server's users table and a sample VERGER session,
under /usr/share/sorrel/examples.")
set(CPACK_COMPONENT_TOOLS_DESCRIPTION "command-line front end of the SORRELKernel library
The sorrel tool: VERGER search sessions against a search server, VERGER
translation, SGML conversion, CROFT, TIFF and PNG files, and single
requests to a search server.")
set(CPACK_COMPONENT_SERVER_DESCRIPTION "reference search server of the SORREL client
sorrel-server speaks the client's server protocol over SQLite FTS5 bases.
The package runs it as the systemd service sorrel-server.service under the
system user sorrel, with its users in /etc/sorrel and its sample base in
/var/lib/sorrel, made on the first start.")
include(CPack)
