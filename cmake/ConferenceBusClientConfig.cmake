# The ConferenceBus client SDK, for mingw-w64 builds of x86-64 or x86 Windows programs:
#   ConferenceBusClient::Library     the C++ library (static, ConferenceBusClient.h)
#   ConferenceBusClient::CInterface  ConferenceBusClient.dll and its import library
#                                    (ConferenceBusClientC.h); ship the DLL beside the program
# for the architecture of the consuming build.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(_conference_bus_arch x64)
else()
    set(_conference_bus_arch x86)
endif()
set(_conference_bus_targets
    ${CMAKE_CURRENT_LIST_DIR}/ConferenceBusClientTargets-${_conference_bus_arch}.cmake)
if(EXISTS ${_conference_bus_targets})
    include(${_conference_bus_targets})
else()
    set(ConferenceBusClient_FOUND FALSE)
    set(ConferenceBusClient_NOT_FOUND_MESSAGE
        "this SDK holds no ${_conference_bus_arch} libraries")
endif()
unset(_conference_bus_targets)
unset(_conference_bus_arch)
