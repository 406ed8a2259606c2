# cRegistry as a CMake package. After cmake --install, a program finds it
# with find_package(cRegistry) and links one of:
#   cRegistry::cRegistry       the class, with the service layer;
#   cRegistry::Service         the service layer alone (RegistryService, and
#                              on Windows Win32Registry over advapi32);
#   cRegistry::MemoryRegistry  the in-memory registry, to unit-test registry
#                              code on any machine.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set_target_properties(cRegistryService PROPERTIES EXPORT_NAME Service OUTPUT_NAME cregistry_service)
set_target_properties(cRegistryMemory PROPERTIES EXPORT_NAME MemoryRegistry
                                                 OUTPUT_NAME cregistry_memory)
set_target_properties(cRegistry PROPERTIES EXPORT_NAME cRegistry OUTPUT_NAME cregistry)

set(service_headers platform/text.h platform/registry_service.h platform/key_handle.h
                    platform/process_name.h platform/registry_tree.h)
if(WIN32)
  list(APPEND service_headers platform/win32_registry.h platform/windows_text.h)
endif()
install(FILES ${service_headers} platform/memory_registry.h platform/code_page.h
              platform/cp1252.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/cregistry/platform)
install(FILES registry/cregistry.h registry/registry_types.h registry/variant.h
              registry/name_list.h registry/registry_error.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/cregistry/registry)
install(TARGETS cRegistryService cRegistryMemory cRegistry EXPORT cRegistryTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})

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
