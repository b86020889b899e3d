// The entry points that the seam stands in for, with the DLL that implements each.
// Adding an entry point is one line here.
#pragma once

#include <windows.h>
#include <setupapi.h>
#include <cfgmgr32.h>
#include <newdev.h>
#include <shlwapi.h>
#include <winsvc.h>

#define SEAM_ENTRY_LIST(X)                                                                         \
    X("setupapi.dll", SetupDiCreateDeviceInfoList)                                                 \
    X("setupapi.dll", SetupDiCreateDeviceInfoW)                                                    \
    X("setupapi.dll", SetupDiSetDeviceRegistryPropertyW)                                           \
    X("setupapi.dll", SetupDiGetClassDevsW)                                                        \
    X("setupapi.dll", SetupDiEnumDeviceInfo)                                                       \
    X("setupapi.dll", SetupDiGetDeviceRegistryPropertyW)                                           \
    X("setupapi.dll", SetupDiCallClassInstaller)                                                   \
    X("setupapi.dll", SetupDiDestroyDeviceInfoList)                                                \
    X("setupapi.dll", SetupDiEnumDeviceInterfaces)                                                 \
    X("setupapi.dll", SetupDiGetDeviceInterfaceDetailW)                                            \
    X("setupapi.dll", SetupOpenInfFileW)                                                           \
    X("setupapi.dll", SetupFindFirstLineW)                                                         \
    X("setupapi.dll", SetupGetStringFieldW)                                                        \
    X("setupapi.dll", SetupCloseInfFile)                                                           \
    X("setupapi.dll", SetupUninstallOEMInfW)                                                       \
    X("setupapi.dll", SetupFindNextLine)                                                           \
    X("setupapi.dll", SetupGetFieldCount)                                                          \
    X("setupapi.dll", SetupGetInfInformationW)                                                     \
    X("setupapi.dll", SetupQueryInfOriginalFileInformationW)                                       \
    X("setupapi.dll", SetupDiGetINFClassW)                                                         \
    X("setupapi.dll", SetupDiGetDeviceInstallParamsW)                                              \
    X("setupapi.dll", CM_Locate_DevNodeW)                                                          \
    X("setupapi.dll", CM_Reenumerate_DevNode)                                                      \
    X("setupapi.dll", CM_Get_Child)                                                                \
    X("setupapi.dll", CM_Get_Sibling)                                                              \
    X("setupapi.dll", CM_Get_Device_IDW)                                                           \
    X("setupapi.dll", CM_Get_DevNode_Registry_PropertyW)                                           \
    X("advapi32.dll", OpenSCManagerW)                                                              \
    X("advapi32.dll", OpenServiceW)                                                                \
    X("advapi32.dll", ControlService)                                                              \
    X("advapi32.dll", DeleteService)                                                               \
    X("advapi32.dll", CloseServiceHandle)                                                          \
    X("shlwapi.dll", PathAppendW)                                                                  \
    X("shlwapi.dll", PathStripPathW)                                                               \
    X("shlwapi.dll", PathRemoveFileSpecW)                                                          \
    X("shlwapi.dll", SHDeleteKeyW)                                                                 \
    X("kernel32.dll", GetLocalTime)                                                                \
    X("kernel32.dll", VerifyVersionInfoW)                                                          \
    X("kernel32.dll", VerSetConditionMask)                                                         \
    X("kernel32.dll", IsWow64Process)                                                              \
    X("kernel32.dll", GetModuleFileNameW)                                                          \
    X("kernel32.dll", GetWindowsDirectoryW)                                                        \
    X("kernel32.dll", GetSystemDirectoryW)                                                         \
    X("kernel32.dll", GetSystemWindowsDirectoryW)                                                  \
    X("kernel32.dll", GetFullPathNameW)                                                            \
    X("kernel32.dll", FindFirstFileW)                                                              \
    X("kernel32.dll", FindNextFileW)                                                               \
    X("kernel32.dll", FindClose)                                                                   \
    X("kernel32.dll", DeleteFileW)                                                                 \
    X("kernel32.dll", CreateFileA)                                                                 \
    X("kernel32.dll", CreateFileW)                                                                 \
    X("kernel32.dll", ReadFile)                                                                    \
    X("kernel32.dll", WriteFile)                                                                   \
    X("kernel32.dll", SetFilePointer)                                                              \
    X("kernel32.dll", SetFilePointerEx)                                                            \
    X("kernel32.dll", SetEndOfFile)                                                                \
    X("kernel32.dll", CloseHandle)                                                                 \
    X("kernel32.dll", DeviceIoControl)                                                             \
    X("kernel32.dll", GetTickCount64)                                                              \
    X("kernel32.dll", Sleep)                                                                       \
    X("kernel32.dll", OutputDebugStringW)                                                          \
    X("user32.dll", MessageBoxW)

// Entry points that the SDK headers declare without dllimport: the product calls them
// by their plain names, so the seam defines those names (SeamEntries.cpp).
#define SEAM_DIRECT_ENTRY_LIST(X)                                                                  \
    X("setupapi.dll", InstallHinfSectionW)                                                         \
    X("newdev.dll", DiInstallDriverW)                                                              \
    X("newdev.dll", UpdateDriverForPlugAndPlayDevicesW)

namespace seam::entries {
#define SEAM_DECLARE_ENTRY(dll, fn)                                                                \
    struct fn##_Entry {                                                                            \
        static constexpr const char* Name = #fn;                                                   \
        static constexpr const wchar_t* Dll = L"" dll;                                             \
    };
SEAM_ENTRY_LIST(SEAM_DECLARE_ENTRY)
SEAM_DIRECT_ENTRY_LIST(SEAM_DECLARE_ENTRY)
#undef SEAM_DECLARE_ENTRY
} // namespace seam::entries
