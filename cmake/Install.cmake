# What `cmake --install` puts into the kit's package, one architecture per build tree; both
# trees install into one prefix (scripts/package.sh):
#   setup/<arch>/  tools/<arch>/  sdk/include/  sdk/lib/<arch>/  sdk/cmake/  driver/  samples/
include(CMakePackageConfigHelpers)

if(TALVOREN_ARCH EQUAL 64)
    set(package_arch x64)
else()
    set(package_arch x86)
endif()

install(TARGETS ${TALVOREN_SETUP_EXE} RUNTIME DESTINATION setup/${package_arch})
install(TARGETS ConferenceBusCtl RUNTIME DESTINATION tools/${package_arch})

# The SDK: the C++ library and the C interface as imported targets ConferenceBusClient::Library
# and ConferenceBusClient::CInterface.
set_target_properties(conference_bus_client PROPERTIES EXPORT_NAME Library)
set_target_properties(ConferenceBusClient PROPERTIES EXPORT_NAME CInterface)
install(TARGETS conference_bus_client ConferenceBusClient EXPORT ConferenceBusClientTargets
        RUNTIME DESTINATION sdk/lib/${package_arch}
        LIBRARY DESTINATION sdk/lib/${package_arch}
        ARCHIVE DESTINATION sdk/lib/${package_arch})
# For Microsoft's linker: the import library in its format, and the .def it was made from.
if(TALVOREN_MSVC_IMPORT_LIBRARY)
    install(FILES ${TALVOREN_MSVC_IMPORT_LIBRARY} DESTINATION sdk/lib/${package_arch})
endif()
install(FILES client/capi/ConferenceBusClient.def DESTINATION sdk/lib)
install(FILES client/include/ConferenceBusClient.h client/include/ConferenceBusInstaller.h
              client/capi/ConferenceBusClientC.h
              bus/include/ConferenceBusPublic.h
        DESTINATION sdk/include)
install(EXPORT ConferenceBusClientTargets NAMESPACE ConferenceBusClient::
        FILE ConferenceBusClientTargets-${package_arch}.cmake DESTINATION sdk/cmake)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/ConferenceBusClientConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion ARCH_INDEPENDENT)
install(FILES cmake/ConferenceBusClientConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/ConferenceBusClientConfigVersion.cmake
        DESTINATION sdk/cmake)

# The driver as sources, to be built and signed with the WDK.
install(DIRECTORY bus/driver bus/include DESTINATION driver)
install(FILES bus/ConferenceBus.inf bus/ConferenceBus.rc bus/ConferenceBus.vcxproj
        DESTINATION driver)
install(FILES cmake/driver-README.txt DESTINATION driver RENAME README.txt)
# The package's own README, for those who unpack it, and the caller projects it describes.
install(FILES package/README.md LICENSE DESTINATION .)
install(DIRECTORY package/samples DESTINATION .)
