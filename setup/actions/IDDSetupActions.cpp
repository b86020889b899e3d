#include "IDDSetupActions.h"

#include "device/IDDDeviceInfoSet.h"
#include "log/LogMessage.h"
#include "utilities/IDDUtilities.h"

#include <newdev.h>

namespace {

const DWORD LOG_WORKFLOW = LOG_ACTIONS | LOG_INFO;
const wchar_t DriverProvider[] = L"Talvoren";
const wchar_t Windows10NotSupported[] = L"Windows 10 version not supported";

// GUID_DEVCLASS_DISPLAY, spelled out so that no devguid.h/INITGUID dance is needed.
const GUID DisplayClassGuid = {
    0x4D36E968, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

} // namespace

// Only the manifest's Windows 10 entry lets these checks see the true version; without
// it the system reports 6.2 and the first check fails.
bool IDDSetupActions::PrivateIsWindows10OrLater() {
    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    version.dwMajorVersion = 10;
    version.dwMinorVersion = 0;
    version.wServicePackMajor = 0;
    ULONGLONG condition = VerSetConditionMask(0, VER_MAJORVERSION, VER_GREATER_EQUAL);
    condition = VerSetConditionMask(condition, VER_MINORVERSION, VER_GREATER_EQUAL);
    condition = VerSetConditionMask(condition, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
    return VerifyVersionInfoW(&version, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR,
                              condition) != FALSE;
}

// Version 1607 (build 14393) is the first that carries what the package needs.
bool IDDSetupActions::PrivateIsBuild14393OrLater() {
    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    version.dwMajorVersion = 10;
    version.dwMinorVersion = 0;
    version.dwBuildNumber = 14393;
    const ULONGLONG condition = VerSetConditionMask(0, VER_BUILDNUMBER, VER_GREATER_EQUAL);
    return VerifyVersionInfoW(&version, VER_BUILDNUMBER, condition) != FALSE;
}

// A 32-bit process on 64-bit Windows is refused every device installation and removal
// (ERROR_IN_WOW64), while the service would still be deleted and the registry and file
// steps would act on the redirected 32-bit views: the system would be left half-removed.
// A failed query is only logged, and the workflow goes on as on 32-bit Windows.
bool IDDSetupActions::PrivateIsRefusedUnderWow64(const wchar_t* queryFailed,
                                                 const wchar_t* refused) {
    BOOL wow64 = FALSE;
    if (!IsWow64Process(GetCurrentProcess(), &wow64)) {
        LogLastError(queryFailed);
        return false;
    }
    if (wow64) {
        LogMessage(LOG_ERROR, refused);
    }
    return wow64 != FALSE;
}

void IDDSetupActions::PrivateInitializeGlobals() {
    InfFileName = L"TalvorenDisplay.inf";
    HardwareId = L"Root\\VID_TALVOREN_VIRTUAL_DISPLAY_0001";
    ClassGuid = DisplayClassGuid;
    ClassName = L"Display";
    IDDUtilities::GetInfFilePath(InfFileName, InfFilePath);
    LogMessage(LOG_WORKFLOW,
               L"IDDSetupActions::PrivateInitializeGlobals:            \n --%s\n --%s\n "
               L"--{%08lX-%04hX-%04hX-%02hhX%02hhX-%02hhX%02hhX%02hhX%02hhX%02hhX%02hhX}\n "
               L"--%s\n --%s\n",
               InfFileName.c_str(), HardwareId.c_str(), ClassGuid.Data1, ClassGuid.Data2,
               ClassGuid.Data3, ClassGuid.Data4[0], ClassGuid.Data4[1], ClassGuid.Data4[2],
               ClassGuid.Data4[3], ClassGuid.Data4[4], ClassGuid.Data4[5], ClassGuid.Data4[6],
               ClassGuid.Data4[7], ClassName.c_str(), InfFilePath.c_str());
}

INT IDDSetupActions::Install() {
    LogMessage(LOG_WORKFLOW, L"IDDSetupActions::Install Begin Install Process...\n");
    if (!PrivateIsWindows10OrLater()) {
        // Before Windows 10 there is nothing to install, and that counts as success.
        LogMessage(LOG_ERROR, L"IDDSetupActions::Install failed! Windows version not supported.\n");
        return ERROR_SUCCESS;
    }
    if (!PrivateIsBuild14393OrLater()) {
        LogMessage(LOG_ERROR,
                   L"IDDSetupActions::Install failed! Windows 10 version not supported\n");
        MessageBoxW(nullptr, Windows10NotSupported, L"Install failed!", MB_OK);
        return ERROR_NOT_SUPPORTED;
    }
    if (PrivateIsRefusedUnderWow64(L"IDDSetupActions::Install IsWow64Process failed %d\n",
                                   L"IDDSetupActions::Install failed! 32-bit setup not supported "
                                   L"on 64-bit Windows, use TalvorenSetup64.exe\n")) {
        return static_cast<INT>(ERROR_IN_WOW64);
    }

    IDDDeviceInfoSet DeviceInfoSet;
    PrivateInitializeGlobals();

    const DWORD created =
        DeviceInfoSet.CreateDeviceNode(ClassGuid, HardwareId.c_str(), ClassName.c_str());
    if (created != ERROR_SUCCESS) {
        LogMessage(LOG_ERROR,
                   L"IDDSetupActions::Install DeviceInfoSet.CreateDeviceNode failed %d\n", created);
        return static_cast<INT>(created);
    }
    LogMessage(LOG_WORKFLOW, L"IDDSetupActions::Install DeviceInfoSet.CreateDeviceNode success\n");

    // No reboot flag is asked for: a restart the installation needs is left to the
    // system's own prompt.
    if (!DiInstallDriverW(nullptr, InfFilePath.c_str(), 0, nullptr)) {
        return static_cast<INT>(
            LogLastError(L"IDDSetupActions::Install DiInstallDriver failed %d\n"));
    }
    LogMessage(LOG_WORKFLOW, L"IDDSetupActions::Install DiInstallDriver success\n");

    IDDUtilities::ScanForHardwareChanges();
    LogMessage(LOG_WORKFLOW, L"IDDSetupActions::Install Install Process Finished\n");
    return ERROR_SUCCESS;
}

INT IDDSetupActions::Uninstall() {
    LogMessage(LOG_WORKFLOW, L"IDDSetupActions::Uninstall Begin Uninstall Process...\n");
    if (!PrivateIsWindows10OrLater()) {
        LogMessage(LOG_ERROR,
                   L"IDDSetupActions::Uninstall failed! Windows version not supported.\n");
        return ERROR_SUCCESS;
    }
    if (!PrivateIsBuild14393OrLater()) {
        LogMessage(LOG_ERROR,
                   L"IDDSetupActions::Uninstall failed! Windows 10 version not supported\n");
        return ERROR_NOT_SUPPORTED;
    }
    if (PrivateIsRefusedUnderWow64(L"IDDSetupActions::Uninstall IsWow64Process failed %d\n",
                                   L"IDDSetupActions::Uninstall failed! 32-bit setup not supported "
                                   L"on 64-bit Windows, use TalvorenSetup64.exe\n")) {
        return static_cast<INT>(ERROR_IN_WOW64);
    }

    IDDDeviceInfoSet DeviceInfoSet;
    PrivateInitializeGlobals();

    const DWORD removed = DeviceInfoSet.RemoveDeviceNode(ClassGuid, HardwareId.c_str());
    if (removed != ERROR_SUCCESS) {
        LogMessage(LOG_ERROR,
                   L"IDDSetupActions::Uninstall DeviceInfoSet.RemoveDeviceNode failed %d\n",
                   removed);
        return static_cast<INT>(removed);
    }
    LogMessage(LOG_WORKFLOW,
               L"IDDSetupActions::Uninstall DeviceInfoSet.RemoveDeviceNode success\n");

    const DWORD packages = DeviceInfoSet.RemoveDriverOemInf(ClassName.c_str(), DriverProvider);
    if (packages != ERROR_SUCCESS) {
        LogMessage(LOG_ERROR,
                   L"IDDSetupActions::Uninstall DeviceInfoSet.RemoveDeviceOemInf failed %d\n",
                   packages);
        return static_cast<INT>(packages);
    }
    LogMessage(LOG_WORKFLOW,
               L"IDDSetupActions::Uninstall DeviceInfoSet.RemoveDeviceOemInf success\n");

    IDDUtilities::ScanForHardwareChanges();
    PrivateCleanup();
    LogMessage(LOG_WORKFLOW, L"IDDSetupActions::Uninstall Uninstall Process Finished\n");
    return ERROR_SUCCESS;
}
