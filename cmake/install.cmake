# cRegistry as a CMake package, and for pkg-config (cregistry,
# cregistry-service, cregistry-memory). After cmake --install, a program
# finds it with find_package(cRegistry) and links one of:
#   cRegistry::cRegistry       the class, with the service boundary;
#   cRegistry::Service         the service boundary alone (RegistryService,
#                              and on Windows Win32Registry over advapi32);
#   cRegistry::MemoryRegistry  the in-memory registry and the test hooks, to
#                              unit-test registry code on any machine.
# Each target's headers install below include/cregistry.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# The library's own version, apart from the program's.
set(cregistry_version 2.1.0)

foreach(part cRegistryService cRegistryMemory cRegistry)
  # A consumer needs C++17, whatever the project builds with.
  target_compile_features(${part} PUBLIC cxx_std_17)
  # Debug and release builds install side by side.
  set_target_properties(${part} PROPERTIES DEBUG_POSTFIX d)
  if(NOT WIN32)
    # A shared library may link it.
    set_target_properties(${part} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  endif()
endforeach()
install(TARGETS cRegistryService cRegistryMemory cRegistry EXPORT cRegistryTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        FILE_SET HEADERS DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

set(package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/cRegistry)
install(EXPORT cRegistryTargets NAMESPACE cRegistry:: DESTINATION ${package_dir})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/cRegistryConfig.cmake.in
                              ${CMAKE_CURRENT_BINARY_DIR}/cRegistryConfig.cmake
                              INSTALL_DESTINATION ${package_dir})
# The version file takes the same major version, and the platform the
# package was built for: no native consumer takes a Windows package, nor the
# other way round.
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/cRegistryVersionBasic.cmake
                                 VERSION ${cregistry_version} COMPATIBILITY SameMajorVersion)
configure_file(${CMAKE_CURRENT_LIST_DIR}/cRegistryConfigVersion.cmake.in
               ${CMAKE_CURRENT_BINARY_DIR}/cRegistryConfigVersion.cmake @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/cRegistryConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/cRegistryConfigVersion.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/cRegistryVersionBasic.cmake
        DESTINATION ${package_dir})
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/CHANGELOG.md
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/cRegistry)

# pkg-config files, relocatable: each finds the prefix from its own place.
file(RELATIVE_PATH pc_up "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
string(REGEX REPLACE "/$" "" pc_up "${pc_up}")
foreach(pc IN ITEMS
        "cregistry-service|cRegistryService||The boundary to the registry service"
        "cregistry|cRegistry|cregistry-service|The registry class cRegistry"
        "cregistry-memory|cRegistryMemory|cregistry-service|The in-memory registry and the test hooks")
  string(REPLACE "|" ";" pc "${pc}")
  list(GET pc 0 pc_name)
  list(GET pc 1 pc_target)
  list(GET pc 2 pc_requires)
  list(GET pc 3 pc_description)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/cregistry.pc.in ${CMAKE_CURRENT_BINARY_DIR}/${pc_name}.pc.in
                 @ONLY)
  file(GENERATE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${pc_name}.pc
                INPUT ${CMAKE_CURRENT_BINARY_DIR}/${pc_name}.pc.in)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${pc_name}.pc
          DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endforeach()
