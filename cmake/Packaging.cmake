# The Debian package of the native upkit: `cpack --config CPackUpkit.cmake`
# in a native build folder packs the install rules of the upkit component
# into upkit_VERSION_ARCH.deb.
# The configuration files are not named CPackConfig.cmake, whose presence
# would reserve the target name "package", the name of our codec library.
set(CPACK_OUTPUT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackUpkit.cmake)
set(CPACK_SOURCE_OUTPUT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackUpkitSource.cmake)

# cpack installs the project first; by default that builds every target,
# tests included, where upkit and its man page are all the package holds.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME upkit)
set(CPACK_PACKAGE_VENDOR "Quintarel Corporation")
set(CPACK_PACKAGE_CONTACT "Quintarel Corporation release engineering")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "build, inspect and unpack Quintarel update archives")
set(CPACK_PACKAGE_DESCRIPTION "upkit packs an update information script and \
its files into the update archive that the Quintarel Updater reads, and lists, \
verifies, shows and extracts such archives.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};upkit;/")
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
