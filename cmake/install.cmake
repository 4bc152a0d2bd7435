# Installation: headers under include/th10fem/, the shared library, a CMake
# package (find_package(th10fem) -> th10fem::th10fem) and a pkg-config file.
include(CMakePackageConfigHelpers)

install(TARGETS th10fem EXPORT th10femTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/th10fem)

install(EXPORT th10femTargets
  NAMESPACE th10fem::
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/th10fem)

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/th10femConfig.cmake.in
  ${CMAKE_BINARY_DIR}/th10femConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/th10fem)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/th10femConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/th10femConfig.cmake ${CMAKE_BINARY_DIR}/th10femConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/th10fem)

configure_file(${CMAKE_CURRENT_LIST_DIR}/th10fem.pc.in ${CMAKE_BINARY_DIR}/th10fem.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/th10fem.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
