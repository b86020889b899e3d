// The last step of the uninstall workflow: removes what an installation of the display
// driver leaves outside the driver store. Best effort: every step runs whatever the
// steps before it did.
#include "IDDSetupActions.h"

#include "log/LogMessage.h"
#include "utilities/IDDUtilities.h"

#include <setupapi.h>
#include <shlwapi.h>

namespace {

const wchar_t ServiceName[] = L"TalvorenVirtualDisplay";
const wchar_t UninstallSection[] = L"DefaultUninstall 128 ";
const wchar_t FrameworkServiceKey[] =
    L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\WUDF\\Services\\TalvorenVirtualDisplay";
const wchar_t KernelDriverFile[] = L"\\drivers\\TalvorenVirtualDisplay.sys";
const wchar_t UserModeDriverFolder[] = L"\\drivers\\UMDF\\";
const wchar_t* const UserModeDriverFiles[] = {
    L"TalvorenVirtualDisplay1_0.dll",
    L"TalvorenVirtualDisplay1_2.dll",
    L"TalvorenVirtualDisplay.dll",
};
constexpr UINT SystemDirectoryUnits = 1024;

} // namespace

void IDDSetupActions::PrivateCleanup() {
    IDDUtilities::ServiceStop(ServiceName);
    IDDUtilities::ServiceDelete(ServiceName);
    LogMessage(LOG_ACTIONS | LOG_INFO,
               L"IDDSetupActions::PrivateCleanup Removing file and registry entry\n");

    // Mode 128: the INF's own folder is the default source path, and never restart.
    // The path goes unquoted, as the section runner takes the rest of the line.
    std::wstring command = UninstallSection + InfFilePath;
    InstallHinfSectionW(nullptr, nullptr, command.c_str(), SW_HIDE);

    // The SDK declares the result an LSTATUS, mingw-w64 a DWORD: both are the same code.
    const DWORD status = static_cast<DWORD>(SHDeleteKeyW(HKEY_LOCAL_MACHINE, FrameworkServiceKey));
    if (status != ERROR_SUCCESS) {
        LogMessage(LOG_ERROR, L"IDDSetupActions::PrivateCleanup SHDeleteKey failed! %d\n", status);
    }

    // Without a system directory the paths below would be relative to the current
    // folder and could delete files of the same name there: skip the file steps.
    wchar_t systemDirectory[SystemDirectoryUnits] = {};
    const UINT length = GetSystemDirectoryW(systemDirectory, SystemDirectoryUnits);
    if (length == 0 || length >= SystemDirectoryUnits) {
        return;
    }
    std::wstring directory = systemDirectory;
    DeleteFileW((directory + KernelDriverFile).c_str());
    directory += UserModeDriverFolder;
    for (const wchar_t* file : UserModeDriverFiles) {
        DeleteFileW((directory + file).c_str());
    }
}
