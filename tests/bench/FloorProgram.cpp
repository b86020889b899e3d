// Test-only: the least a program can do to install or remove the virtual display. It
// makes the setup program's platform calls in the same order, on the same system, with
// none of the program's own logic and no log; the benchmarks compare against it.
// Usage: floor_program install|remove (the whole command line after the name)
#include <windows.h>
#include <setupapi.h>
#include <cfgmgr32.h>
#include <newdev.h>
#include <shlwapi.h>

#include "KitFacts.h"

#include <cwchar>
#include <string>
#include <vector>

namespace {

using kit::DisplayClass;
using kit::HardwareId;
using kit::ServiceName;

void CheckVersion() {
    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    version.dwMajorVersion = 10;
    ULONGLONG condition = VerSetConditionMask(0, VER_MAJORVERSION, VER_GREATER_EQUAL);
    condition = VerSetConditionMask(condition, VER_MINORVERSION, VER_GREATER_EQUAL);
    condition = VerSetConditionMask(condition, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
    VerifyVersionInfoW(&version, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR,
                       condition);
    version.dwBuildNumber = 14393;
    VerifyVersionInfoW(&version, VER_BUILDNUMBER,
                       VerSetConditionMask(0, VER_BUILDNUMBER, VER_GREATER_EQUAL));
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
}

std::wstring InfPath() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    PathRemoveFileSpecW(path);
    return std::wstring(path) + L"\\TalvorenDisplay.inf";
}

// Walks the present devices of the class; calls `matched` for each whose first hardware
// id is ours, and stops when it returns false.
template <typename OnMatch> void WalkDevices(HDEVINFO set, OnMatch matched) {
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    wchar_t ids[301];
    for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &device); ++index) {
        ZeroMemory(ids, sizeof(ids));
        if (SetupDiGetDeviceRegistryPropertyW(set, &device, SPDRP_HARDWAREID, nullptr,
                                              reinterpret_cast<PBYTE>(ids), 600, nullptr) &&
            std::wcscmp(ids, HardwareId) == 0 && !matched(device)) {
            return;
        }
    }
}

void Rescan() {
    DEVINST root = 0;
    if (CM_Locate_DevNodeW(&root, nullptr, CM_LOCATE_DEVNODE_NORMAL) == CR_SUCCESS) {
        CM_Reenumerate_DevNode(root, CM_REENUMERATE_SYNCHRONOUS);
    }
}

void Install() {
    CheckVersion();
    const std::wstring inf = InfPath();
    HDEVINFO set = SetupDiCreateDeviceInfoList(&DisplayClass, nullptr);
    SP_DEVINFO_DATA element{};
    element.cbSize = sizeof(element);
    SetupDiCreateDeviceInfoW(set, L"Display", &DisplayClass, nullptr, nullptr, DICD_GENERATE_ID,
                             &element);
    wchar_t list[260] = {};
    std::wcscpy(list, HardwareId);
    SetupDiSetDeviceRegistryPropertyW(set, &element, SPDRP_HARDWAREID,
                                      reinterpret_cast<const BYTE*>(list),
                                      static_cast<DWORD>((std::wcslen(list) + 2) * 2));
    bool present = false;
    HDEVINFO existing = SetupDiGetClassDevsW(&DisplayClass, nullptr, nullptr, DIGCF_PRESENT);
    WalkDevices(existing, [&](SP_DEVINFO_DATA&) { return !(present = true); });
    SetupDiDestroyDeviceInfoList(existing);
    if (!present) {
        SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &element);
    }
    DiInstallDriverW(nullptr, inf.c_str(), 0, nullptr);
    Rescan();
    SetupDiDestroyDeviceInfoList(set);
}

bool ReadsAs(HINF inf, const wchar_t* key, const wchar_t* value) {
    INFCONTEXT context;
    wchar_t text[4096];
    return SetupFindFirstLineW(inf, L"Version", key, &context) &&
           SetupGetStringFieldW(&context, 1, text, 4096, nullptr) && std::wcscmp(text, value) == 0;
}

void RemovePackages() {
    wchar_t folder[MAX_PATH];
    GetWindowsDirectoryW(folder, MAX_PATH);
    PathAppendW(folder, L"INF");
    wchar_t pattern[MAX_PATH];
    std::wcscpy(pattern, folder);
    PathAppendW(pattern, L"OEM*.INF");
    std::vector<std::wstring> files;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        files.push_back(std::wstring(folder) + L"\\" + found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    for (const auto& file : files) {
        HINF inf = SetupOpenInfFileW(file.c_str(), nullptr, INF_STYLE_WIN4, nullptr);
        const bool ours =
            ReadsAs(inf, L"Class", L"Display") && ReadsAs(inf, L"Provider", L"Talvoren");
        SetupCloseInfFile(inf);
        if (ours) {
            wchar_t name[MAX_PATH];
            std::wcscpy(name, file.c_str());
            PathStripPathW(name);
            SetupUninstallOEMInfW(name, 0, nullptr);
        }
    }
}

template <typename Action> void WithService(DWORD access, Action action) {
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    SC_HANDLE service = manager ? OpenServiceW(manager, ServiceName, access) : nullptr;
    if (service) {
        action(service);
        CloseServiceHandle(service);
    }
    if (manager) {
        CloseServiceHandle(manager);
    }
}

void Remove() {
    CheckVersion();
    const std::wstring inf = InfPath();
    HDEVINFO set = SetupDiGetClassDevsW(&DisplayClass, nullptr, nullptr, DIGCF_PRESENT);
    WalkDevices(set, [&](SP_DEVINFO_DATA& device) {
        SetupDiCallClassInstaller(DIF_REMOVE, set, &device);
        return true;
    });
    RemovePackages();
    Rescan();
    WithService(SERVICE_ALL_ACCESS, [](SC_HANDLE service) {
        SERVICE_STATUS status;
        ControlService(service, SERVICE_CONTROL_STOP, &status);
    });
    WithService(DELETE, [](SC_HANDLE service) { DeleteService(service); });
    InstallHinfSectionW(nullptr, nullptr, (L"DefaultUninstall 128 " + inf).c_str(), SW_HIDE);
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, kit::FrameworkServiceKey);
    wchar_t system[1024];
    GetSystemDirectoryW(system, 1024);
    for (const wchar_t* file : kit::DriverFiles) {
        DeleteFileW((std::wstring(system) + L"\\" + file).c_str());
    }
    SetupDiDestroyDeviceInfoList(set);
}

} // namespace

// A GUI program like the setup program, so that both pay the same start-up.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    if (std::wcscmp(commandLine, L"install") == 0) {
        Install();
    } else if (std::wcscmp(commandLine, L"remove") == 0) {
        Remove();
    } else {
        return 2;
    }
    return 0;
}
