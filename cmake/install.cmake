# cRegistry as a CMake package. After cmake --install, a program finds it
# with find_package(cRegistry) and links one of:
#   cRegistry::cRegistry       the class, with the service boundary;
#   cRegistry::Service         the service boundary alone (RegistryService,
#                              and on Windows Win32Registry over advapi32);
#   cRegistry::MemoryRegistry  the in-memory registry and the test hooks, to
#                              unit-test registry code on any machine.
# Each target's headers install below include/cregistry.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

foreach(part cRegistryService cRegistryMemory cRegistry)
  target_compile_features(${part} PUBLIC cxx_std_20)
endforeach()
install(TARGETS cRegistryService cRegistryMemory cRegistry EXPORT cRegistryTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        FILE_SET HEADERS DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

set(package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/cRegistry)
install(EXPORT cRegistryTargets NAMESPACE cRegistry:: DESTINATION ${package_dir})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/cRegistryConfig.cmake.in
                              ${CMAKE_CURRENT_BINARY_DIR}/cRegistryConfig.cmake
                              INSTALL_DESTINATION ${package_dir})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/cRegistryConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/cRegistryConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/cRegistryConfigVersion.cmake
        DESTINATION ${package_dir})
