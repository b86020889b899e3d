#include "SystemState.h"

#include "InfFile.h"
#include "KitFacts.h"

#include <cfgmgr32.h>
#include <setupapi.h>

#include <algorithm>
#include <iterator>
#include <sstream>

namespace {

std::vector<std::wstring> SplitMultiString(const wchar_t* list) {
    std::vector<std::wstring> strings;
    for (const wchar_t* item = list; *item; item += wcslen(item) + 1) {
        strings.emplace_back(item);
    }
    return strings;
}

// Every device of the class that the system knows, not only the present ones, so that a
// node that was only half removed still shows.
std::vector<DeviceNode> RootDisplayDevices() {
    std::vector<DeviceNode> devices;
    HDEVINFO set = SetupDiGetClassDevsW(&kit::DisplayClass, nullptr, nullptr, 0);
    if (set == INVALID_HANDLE_VALUE) {
        return devices;
    }
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &device); ++index) {
        wchar_t instanceId[MAX_DEVICE_ID_LEN] = {};
        SetupDiGetDeviceInstanceIdW(set, &device, instanceId, MAX_DEVICE_ID_LEN, nullptr);
        if (_wcsnicmp(instanceId, L"ROOT\\", 5) != 0) {
            continue;
        }
        // Two spare zero units keep the list terminated whatever the property holds.
        wchar_t ids[1026] = {};
        SetupDiGetDeviceRegistryPropertyW(set, &device, SPDRP_HARDWAREID, nullptr,
                                          reinterpret_cast<BYTE*>(ids), 1024 * sizeof(wchar_t),
                                          nullptr);
        devices.push_back({instanceId, SplitMultiString(ids)});
    }
    SetupDiDestroyDeviceInfoList(set);
    std::sort(devices.begin(), devices.end(),
              [](const DeviceNode& a, const DeviceNode& b) { return a.instanceId < b.instanceId; });
    return devices;
}

std::wstring VersionValue(HINF inf, const wchar_t* key) {
    INFCONTEXT context;
    wchar_t value[512] = {};
    if (SetupFindFirstLineW(inf, L"Version", key, &context)) {
        SetupGetStringFieldW(&context, 1, value, 512, nullptr);
    }
    return value;
}

std::vector<StagedInf> StagedInfs() {
    std::vector<StagedInf> infs;
    wchar_t folder[MAX_PATH] = {};
    GetWindowsDirectoryW(folder, MAX_PATH);
    const std::wstring infFolder = std::wstring(folder) + L"\\INF\\";
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((infFolder + L"OEM*.INF").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return infs;
    }
    do {
        StagedInf staged{found.cFileName, {}, {}, {}};
        const testsupport::InfFile inf(infFolder + found.cFileName);
        if (inf.handle != INVALID_HANDLE_VALUE) {
            staged.infClass = VersionValue(inf.handle, L"Class");
            staged.provider = VersionValue(inf.handle, L"Provider");
            staged.driverVer = VersionValue(inf.handle, L"DriverVer");
        }
        infs.push_back(staged);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(infs.begin(), infs.end(),
              [](const StagedInf& a, const StagedInf& b) { return a.fileName < b.fileName; });
    return infs;
}

DWORD ServiceState() {
    DWORD state = 0;
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager) {
        return state;
    }
    SC_HANDLE service = OpenServiceW(manager, kit::ServiceName, SERVICE_QUERY_STATUS);
    SERVICE_STATUS status{};
    if (service && QueryServiceStatus(service, &status)) {
        state = status.dwCurrentState;
    }
    if (service) {
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return state;
}

bool KeyExists(const wchar_t* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

std::vector<std::wstring> PresentDriverFiles() {
    std::vector<std::wstring> present;
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    for (const wchar_t* file : kit::DriverFiles) {
        if (GetFileAttributesW((std::wstring(system) + L"\\" + file).c_str()) !=
            INVALID_FILE_ATTRIBUTES) {
            present.emplace_back(file);
        }
    }
    return present;
}

const wchar_t* ServiceStateName(DWORD state) {
    switch (state) {
    case 0:
        return L"absent";
    case SERVICE_STOPPED:
        return L"stopped";
    case SERVICE_RUNNING:
        return L"running";
    default:
        return L"pending";
    }
}

const wchar_t* Presence(bool present) {
    return present ? L"present" : L"absent";
}

} // namespace

SystemState CaptureSystemState() {
    SystemState state;
    state.rootDisplayDevices = RootDisplayDevices();
    state.stagedInfs = StagedInfs();
    state.serviceState = ServiceState();
    state.frameworkServiceKey = KeyExists(kit::FrameworkServiceKey);
    state.packageSettingsKey = KeyExists(kit::PackageSettingsKey);
    state.driverFiles = PresentDriverFiles();
    return state;
}

std::wstring Describe(const SystemState& state) {
    std::wostringstream text;
    text << L"Root-enumerated display device nodes: " << state.rootDisplayDevices.size() << L"\n";
    for (const DeviceNode& device : state.rootDisplayDevices) {
        text << L"  " << device.instanceId << L"  hardware ids:";
        for (const std::wstring& id : device.hardwareIds) {
            text << L" " << id;
        }
        text << L"\n";
    }
    text << L"OEM INFs in the driver store: " << state.stagedInfs.size() << L"\n";
    for (const StagedInf& inf : state.stagedInfs) {
        text << L"  " << inf.fileName << L"  Class=" << inf.infClass << L"  Provider=\""
             << inf.provider << L"\"  DriverVer=" << inf.driverVer << L"\n";
    }
    text << L"Service " << kit::ServiceName << L": " << ServiceStateName(state.serviceState)
         << L"\n";
    text << L"HKLM\\" << kit::FrameworkServiceKey << L": " << Presence(state.frameworkServiceKey)
         << L"\n";
    text << L"HKLM\\" << kit::PackageSettingsKey << L": " << Presence(state.packageSettingsKey)
         << L"\n";
    text << L"Driver files in the system folder: " << state.driverFiles.size() << L" of "
         << std::size(kit::DriverFiles) << L"\n";
    for (const std::wstring& file : state.driverFiles) {
        text << L"  " << file << L"\n";
    }
    return text.str();
}
