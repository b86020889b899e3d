#include "Preparation.h"

#include "InfFile.h"
#include "KitFacts.h"

#include <setupapi.h>

#include <fstream>
#include <iterator>

namespace prep {

namespace {

const wchar_t* const OtherPackages[] = {L"ForeignDisplay.inf", L"NearMissDisplay.inf",
                                        L"OtherClass.inf"};

// The driver store keeps its copies in the Windows INF folder as oem<n>.inf, with the
// lowest free number. (Wine's SetupCopyOEMInfW keeps the original name instead.) A
// `driverVer` replaces the INF's own, which stages an earlier version of a package as a
// system that was updated once keeps it.
DWORD StageInf(const std::wstring& infPath, const char* driverVer = nullptr) {
    std::ifstream in(infPath.c_str(), std::ios::binary);
    if (!in) {
        return ERROR_FILE_NOT_FOUND;
    }
    std::string text(std::istreambuf_iterator<char>(in), {});
    if (driverVer) {
        const size_t line = text.find("DriverVer");
        if (line == std::string::npos) {
            return ERROR_BAD_FORMAT;
        }
        text.replace(line, text.find('\n', line) - line, std::string("DriverVer   = ") + driverVer);
    }
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    for (unsigned number = 0; number < 10000; ++number) {
        const std::wstring name = L"oem" + std::to_wstring(number) + L".inf";
        const std::wstring path = std::wstring(windows) + L"\\INF\\" + name;
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_EXISTS) {
                continue;
            }
            return GetLastError();
        }
        DWORD written = 0;
        const BOOL wrote =
            WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        const DWORD error = wrote ? ERROR_SUCCESS : GetLastError();
        CloseHandle(file);
        return error;
    }
    return ERROR_FILE_EXISTS;
}

DWORD ErrorOf(BOOL succeeded) {
    return succeeded ? ERROR_SUCCESS : GetLastError();
}

DWORD InstallPackageResidue(const std::wstring& packageFolder) {
    const testsupport::InfFile inf(packageFolder + L"\\" + kit::InfName);
    if (inf.handle == INVALID_HANDLE_VALUE) {
        return GetLastError();
    }
    // No owner window: the default queue callback then asks nothing and shows nothing.
    void* context = SetupInitDefaultQueueCallbackEx(
        nullptr, static_cast<HWND>(INVALID_HANDLE_VALUE), 0, 0, nullptr);
    const DWORD error = ErrorOf(SetupInstallFromInfSectionW(
        nullptr, inf.handle, kit::InstallSection, SPINST_FILES | SPINST_REGISTRY, nullptr,
        packageFolder.c_str(), 0, SetupDefaultQueueCallbackW, context, nullptr, nullptr));
    SetupTermDefaultQueueCallback(context);
    if (error != ERROR_SUCCESS) {
        return error;
    }
    const std::wstring services = std::wstring(kit::InstallSection) + L".Services";
    return ErrorOf(SetupInstallServicesFromInfSectionW(inf.handle, services.c_str(), 0));
}

DWORD CreateFrameworkServiceKey() {
    HKEY parameters = nullptr;
    const std::wstring key = std::wstring(kit::FrameworkServiceKey) + L"\\Parameters";
    // A subkey and values, as the co-installer writes them: the removal takes the whole
    // tree.
    LSTATUS status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                     nullptr, &parameters, nullptr);
    if (status != ERROR_SUCCESS) {
        return static_cast<DWORD>(status);
    }
    const DWORD version = 0x0002000F;
    status = RegSetValueExW(parameters, L"UmdfLibraryVersion", 0, REG_DWORD,
                            reinterpret_cast<const BYTE*>(&version), sizeof(version));
    RegCloseKey(parameters);
    return static_cast<DWORD>(status);
}

} // namespace

const std::vector<std::vector<std::wstring>> LookalikeDevices = {
    {L"ROOT\\VID_TALVOREN_VIRTUAL_DISPLAY_0001"},
    {L"Root\\VID_NORTHWIND_PANEL", kit::HardwareId},
};

DWORD RegisterDisplayDevice(const std::vector<std::wstring>& hardwareIds) {
    HDEVINFO set = SetupDiCreateDeviceInfoList(&kit::DisplayClass, nullptr);
    if (set == INVALID_HANDLE_VALUE) {
        return GetLastError();
    }
    // REG_MULTI_SZ: every id with its terminator, then the terminator of the list.
    std::wstring list;
    for (const std::wstring& id : hardwareIds) {
        list += id;
        list.push_back(L'\0');
    }
    list.push_back(L'\0');

    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    const DWORD error =
        ErrorOf(SetupDiCreateDeviceInfoW(set, L"Display", &kit::DisplayClass, nullptr, nullptr,
                                         DICD_GENERATE_ID, &device) &&
                SetupDiSetDeviceRegistryPropertyW(
                    set, &device, SPDRP_HARDWAREID, reinterpret_cast<const BYTE*>(list.data()),
                    static_cast<DWORD>(list.size() * sizeof(wchar_t))) &&
                SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &device));
    SetupDiDestroyDeviceInfoList(set);
    return error;
}

DWORD PrepareInstalledSystem(const std::wstring& packageFolder, const std::wstring& dataFolder,
                             const InstalledSystem& what) {
    std::vector<std::vector<std::wstring>> devices(what.kitDevices, {kit::HardwareId});
    devices.insert(devices.end(), LookalikeDevices.begin(), LookalikeDevices.end());
    for (const std::vector<std::wstring>& ids : devices) {
        if (const DWORD error = RegisterDisplayDevice(ids)) {
            return error;
        }
    }

    const std::wstring package = packageFolder + L"\\" + kit::InfName;
    if (const DWORD error = StageInf(package)) {
        return error;
    }
    if (const DWORD error = StageInf(package, "06/30/2024,0.9.0.0")) {
        return error;
    }
    for (const wchar_t* inf : OtherPackages) {
        if (const DWORD error = StageInf(dataFolder + L"\\" + inf)) {
            return error;
        }
    }

    if (!what.residue) {
        return ERROR_SUCCESS;
    }
    if (const DWORD error = InstallPackageResidue(packageFolder)) {
        return error;
    }
    return CreateFrameworkServiceKey();
}

} // namespace prep
