# What `cmake --install` puts under a prefix for host programs: the library, its headers, the
# sample suite folder (the EPSG database and grids the library looks up), a CMake package
# (find_package(Tellus) gives Tellus::Tellus64 or Tellus::Tellus32) and a pkg-config file
# (tellus64 or tellus32). Both widths may share one prefix.
include(CMakePackageConfigHelpers)
set(TELLUS_INSTALL_SUITEDIR ${CMAKE_INSTALL_DATADIR}/tellus/suite)
set(TELLUS_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Tellus)

install(TARGETS Tellus EXPORT TellusTargets LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
# Tellus.h includes its codes and records from beside it.
install(FILES geodesy/Tellus.h geodesy/TellusCodes.h geodesy/TellusRecords.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
# The whole sample suite folder, marker included; a host points KVT_PELAGIX at it.
install(DIRECTORY ${TELLUS_SUITE_DIR}/ DESTINATION ${TELLUS_INSTALL_SUITEDIR})

install(EXPORT TellusTargets NAMESPACE Tellus:: FILE TellusTargets${TELLUS_BITS}.cmake
  DESTINATION ${TELLUS_INSTALL_CMAKEDIR})
configure_package_config_file(cmake/TellusConfig.cmake.in ${PROJECT_BINARY_DIR}/TellusConfig.cmake
  INSTALL_DESTINATION ${TELLUS_INSTALL_CMAKEDIR} PATH_VARS TELLUS_INSTALL_SUITEDIR)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/TellusConfigVersion.cmake
  COMPATIBILITY SameMajorVersion ARCH_INDEPENDENT)
install(FILES ${PROJECT_BINARY_DIR}/TellusConfig.cmake ${PROJECT_BINARY_DIR}/TellusConfigVersion.cmake
  DESTINATION ${TELLUS_INSTALL_CMAKEDIR})

# The .pc file finds its prefix from its own place, so the prefix may move.
file(RELATIVE_PATH TELLUS_PC_TO_PREFIX /p/${CMAKE_INSTALL_LIBDIR}/pkgconfig /p)
configure_file(cmake/tellus.pc.in ${PROJECT_BINARY_DIR}/tellus${TELLUS_BITS}.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/tellus${TELLUS_BITS}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
