# The kit's one version number is project()'s VERSION. It reaches every binary through a
# version resource; the driver's resource script, its INF and the WDK project's StampInf
# settings are used by the WDK, outside CMake, so they carry it as text, and configuring fails
# when one disagrees.

set(TALVOREN_FILE_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0)
set(TALVOREN_PRODUCT_NAME "Talvoren driver kit")
set(TALVOREN_COPYRIGHT "Copyright (C) 2026 Talvoren")

# Gives an executable or DLL target its version resource.
function(talvoren_version_resource target description)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
        set(version_type VFT_APP)
        set(suffix .exe)
    else()
        set(version_type VFT_DLL)
        set(suffix .dll)
    endif()
    set(version_name ${target})
    set(version_file ${target}${suffix})
    set(version_description "${description}")
    set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}.version.rc)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/VersionInfo.rc.in ${script} @ONLY)
    target_sources(${target} PRIVATE ${script})
endfunction()

# Fails when a file's version differs from the kit's.
function(talvoren_expect_version file what found)
    if(NOT found STREQUAL TALVOREN_FILE_VERSION)
        message(FATAL_ERROR "${file}: ${what} is '${found}', but the kit's version is "
                            "${TALVOREN_FILE_VERSION} (project() in CMakeLists.txt)")
    endif()
endfunction()

# The WDK project's StampInf settings of its Inf item: DriverVer is stamped with exactly the
# INF's own version and date (StampInf's default is the WDK's version and the build date).
function(talvoren_check_stamp_inf project version date)
    file(READ ${project} text)
    string(REGEX MATCH "<Inf Include=\"ConferenceBus.inf\">.*</Inf>" item "${text}")
    foreach(setting SpecifyDriverVerDirectiveVersion:true TimeStamp:${version}
                    SpecifyDriverVerDirectiveDate:true DateStamp:${date})
        string(REPLACE ":" ";" setting "${setting}")
        list(GET setting 0 name)
        list(GET setting 1 expected)
        string(REGEX MATCH "<${name}>([^<]*)</${name}>" found "${item}")
        if(NOT CMAKE_MATCH_1 STREQUAL expected)
            message(FATAL_ERROR "${project}: the Inf item's ${name} is '${CMAKE_MATCH_1}', but "
                                "must be '${expected}' (DriverVer in ConferenceBus.inf)")
        endif()
    endforeach()
endfunction()

function(talvoren_check_driver_versions)
    set(inf ${PROJECT_SOURCE_DIR}/bus/ConferenceBus.inf)
    set(rc ${PROJECT_SOURCE_DIR}/bus/ConferenceBus.rc)
    set(project ${PROJECT_SOURCE_DIR}/bus/ConferenceBus.vcxproj)
    set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${inf} ${rc}
                                                                                     ${project})

    # DriverVer = mm/dd/yyyy,w.x.y.z
    file(STRINGS ${inf} lines REGEX "^[ \t]*DriverVer[ \t]*=")
    string(REGEX REPLACE "^[^,]*,[ \t]*([0-9.]+).*$" "\\1" found "${lines}")
    talvoren_expect_version(${inf} "the DriverVer version" "${found}")
    string(REGEX REPLACE "^[^=]*=[ \t]*([0-9/]+).*$" "\\1" inf_date "${lines}")
    talvoren_check_stamp_inf(${project} ${found} ${inf_date})

    file(READ ${rc} script)
    foreach(field FILEVERSION PRODUCTVERSION)
        string(REGEX MATCH "\n${field} ([0-9]+),([0-9]+),([0-9]+),([0-9]+)" line "${script}")
        talvoren_expect_version(${rc} ${field}
            "${CMAKE_MATCH_1}.${CMAKE_MATCH_2}.${CMAKE_MATCH_3}.${CMAKE_MATCH_4}")
    endforeach()
    foreach(value FileVersion ProductVersion)
        string(REGEX MATCH "VALUE \"${value}\", \"([^\"]*)\"" line "${script}")
        talvoren_expect_version(${rc} "the ${value} text" "${CMAKE_MATCH_1}")
    endforeach()
endfunction()
