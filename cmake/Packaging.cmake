# A Debian package of everything the install rules put under the prefix (library, headers, CMake
# package, pkg-config file, reference server, demo and the Designer plugin).
# `./run package` configures with the prefix /usr, runs cpack and checks the result.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vynmembercomment)
set(CPACK_PACKAGE_VENDOR VynMemberComment)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Embeddable Qt 6 Widgets control for member discussion comments")
set(CPACK_PACKAGE_DESCRIPTION
  "VynMemberComment::MemberComment shows the discussion comments recorded against one member, \
loads them from a server page and saves new and changed comments in one request. The package \
holds the shared library, its headers, CMake package and pkg-config file, the reference server \
page, a demo host and a Qt Designer plugin that puts the control in Designer's widget box.")
# The .pc file and the library directory were fixed by CMAKE_INSTALL_PREFIX at configure time,
# so the package must install under that same prefix.
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
if(NOT CPACK_DEBIAN_PACKAGE_MAINTAINER)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "VynMemberComment developers <vynmembercomment@example.invalid>")
endif()
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
# The Designer plugin, a module without a soname, rightly stays out of the shlibs file; CPack would
# say so in a developer warning on every run.
file(WRITE ${PROJECT_BINARY_DIR}/CPackProjectConfig.cmake
  "set(CMAKE_SUPPRESS_DEVELOPER_WARNINGS ON CACHE INTERNAL \"\")\n")
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/CPackProjectConfig.cmake)
# find_package(VynMemberComment) needs Qt's own CMake packages to build a host.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS qt6-base-dev)

include(CPack)
