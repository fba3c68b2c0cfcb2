# The Debian package: `cpack -G DEB` in the release build folder makes vkstring_<version>-<release>_<arch>.deb
# from the install rules (cmake/install.cmake) staged under /usr. Included from the top-level
# CMakeLists.txt after them (native build only).
#
# The programs and module are the release build's own: they find the machine registry of a /usr
# installation in /var/lib/vkstring whatever prefix the build was configured for
# (platform/native/machine_registry.cpp), so the package needs no build of its own. The staged
# install registers nothing (DESTDIR); the maintainer scripts register on configure and
# unregister on removal, and purging removes the registry. debian_staging.cmake then turns the
# staged tree into what Debian expects (doc folder, copyright, changelog, compressed man pages).

set(VK_DEB_MAINTAINER "The VkString developers <vkstring@example.org>" CACHE STRING
    "Maintainer of the Debian package, \"Name <address>\"")
# The Debian revision: the packaging's own version under the project's.
set(VK_DEB_RELEASE 1)
set(VK_DEB_PREFIX /usr)
set(VK_DEB_MODULE ${VK_DEB_PREFIX}/${VK_INSTALL_MODULEDIR}/$<TARGET_FILE_NAME:VelkorString>)
set(VK_DEB_REGSVR ${VK_DEB_PREFIX}/${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:vk_regsvr>)
# Where the installed programs look for the machine registry under /usr (the runtime rule of
# machine_registry.cpp: a relative state folder var/... lies in /var for that prefix).
if(IS_ABSOLUTE "${VK_MACHINE_REGISTRY_DIR}")
  set(VK_DEB_REGISTRY_DIR ${VK_MACHINE_REGISTRY_DIR})
elseif(VK_MACHINE_REGISTRY_DIR MATCHES "^var/")
  set(VK_DEB_REGISTRY_DIR /${VK_MACHINE_REGISTRY_DIR})
else()
  set(VK_DEB_REGISTRY_DIR ${VK_DEB_PREFIX}/${VK_MACHINE_REGISTRY_DIR})
endif()

# The maintainer scripts, with the paths of the module and vk_regsvr (generator expressions) and
# the registry's.
set(VK_DEB_DIR ${PROJECT_BINARY_DIR}/debian)
foreach(script postinst prerm postrm)
  configure_file(packaging/debian/${script}.in ${VK_DEB_DIR}/${script}.in @ONLY)
  file(GENERATE OUTPUT ${VK_DEB_DIR}/${script} INPUT ${VK_DEB_DIR}/${script}.in
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endforeach()

# The copyright file in Debian's machine-readable form, its licence text taken from LICENSE.
file(READ LICENSE VK_LICENSE_TEXT)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" VK_COPYRIGHT_LINE "${VK_LICENSE_TEXT}")
set(VK_COPYRIGHT_HOLDER "${CMAKE_MATCH_1}")
# Debian's copyright notice has a year: the one of the packaging's first release (the last
# entry of its changelog), as LICENSE names the holder alone.
file(STRINGS packaging/debian/changelog.in VK_CHANGELOG_DATES REGEX "^ -- ")
list(GET VK_CHANGELOG_DATES -1 VK_FIRST_RELEASE)
string(REGEX MATCH " ([0-9][0-9][0-9][0-9]) " VK_FIRST_RELEASE "${VK_FIRST_RELEASE}")
set(VK_COPYRIGHT_HOLDER "${CMAKE_MATCH_1} ${VK_COPYRIGHT_HOLDER}")
string(REGEX REPLACE "^.*Copyright \\(c\\) [^\n]*\n\n" "" VK_LICENSE_BODY "${VK_LICENSE_TEXT}")
string(STRIP "${VK_LICENSE_BODY}" VK_LICENSE_BODY)
string(REGEX REPLACE "\n\n" "\n.\n" VK_LICENSE_BODY "${VK_LICENSE_BODY}")
string(REGEX REPLACE "\n" "\n " VK_LICENSE_BODY " ${VK_LICENSE_BODY}")
configure_file(packaging/debian/copyright.in ${VK_DEB_DIR}/copyright @ONLY)
configure_file(packaging/debian/changelog.in ${VK_DEB_DIR}/changelog @ONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS LICENSE)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vkstring)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${VK_DEB_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX ${VK_DEB_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${VK_DEB_RELEASE})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The module is loaded by path from its own folder; dpkg-shlibdeps looks there for nothing.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${VK_DEB_DIR}/postinst ${VK_DEB_DIR}/prerm ${VK_DEB_DIR}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The synopsis, then the long description: CPack indents its lines and writes an empty one as " .".
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "scriptable string component with a command-line client
VkString is a string object for scripting clients: one object with 53 members
to append, search, replace, trim and chop text; HTML entities and tag
stripping; base64, quoted-printable, hex and URL coding under any charset;
RFC 822 and RFC 3339 dates; and loading and saving files in about 400 charset
names through one conversion engine.

This package holds the native module (registered for every user in the
machine registry ${VK_DEB_REGISTRY_DIR}/registry), vk_regsvr to register
modules and set the ANSI code page, and the command-line client vkstring,
which calls the object's members and converts files between charsets as
iconv does.")
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/debian_staging.cmake)
# Read by debian_staging.cmake when CPack runs it.
set(CPACK_VK_DEB_DIR ${VK_DEB_DIR})
set(CPACK_VK_DOCDIR ${CMAKE_INSTALL_DOCDIR})
set(CPACK_VK_MANDIR ${CMAKE_INSTALL_MANDIR})
set(CPACK_VK_STRIP ${CMAKE_STRIP})
set(CPACK_VK_BINDIR ${CMAKE_INSTALL_BINDIR})
set(CPACK_VK_MODULEDIR ${VK_INSTALL_MODULEDIR})
include(CPack)
