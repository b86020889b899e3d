#include "Preparation.h"

#include "InfFile.h"
#include "KitFacts.h"

#include <setupapi.h>

#include <fstream>
#include <iterator>

namespace prep {

namespace {

// The driver store keeps its copies in the Windows INF folder as oem<n>.inf, with the
// lowest free number. (Wine's SetupCopyOEMInfW keeps the original name instead.)
DWORD StageInfText(const std::string& text, std::wstring& stagedName) {
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
        stagedName = name;
        return error;
    }
    return ERROR_FILE_EXISTS;
}

DWORD ErrorOf(BOOL succeeded) {
    return succeeded ? ERROR_SUCCESS : GetLastError();
}

} // namespace

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

DWORD StageInf(const std::wstring& infPath, std::wstring& stagedName) {
    std::ifstream in(infPath.c_str(), std::ios::binary);
    if (!in) {
        return ERROR_FILE_NOT_FOUND;
    }
    return StageInfText(std::string(std::istreambuf_iterator<char>(in), {}), stagedName);
}

DWORD StageEarlierVersion(const std::wstring& packageInf, std::wstring& stagedName) {
    std::ifstream in(packageInf.c_str(), std::ios::binary);
    std::string text(std::istreambuf_iterator<char>(in), {});
    const size_t line = text.find("DriverVer");
    if (line == std::string::npos) {
        return ERROR_BAD_FORMAT;
    }
    text.replace(line, text.find('\n', line) - line, "DriverVer   = 06/30/2024,0.9.0.0");
    return StageInfText(text, stagedName);
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

} // namespace prep

namespace prep {

const std::vector<std::vector<std::wstring>> LookalikeDevices = {
    {L"ROOT\\VID_TALVOREN_VIRTUAL_DISPLAY_0001"},
    {L"Root\\VID_NORTHWIND_PANEL", kit::HardwareId},
};

namespace {

const wchar_t* const OtherPackages[] = {L"ForeignDisplay.inf", L"NearMissDisplay.inf",
                                        L"OtherClass.inf"};

} // namespace

DWORD PrepareInstalledSystem(const std::wstring& packageFolder, const std::wstring& dataFolder,
                             const InstalledSystem& what) {
    std::vector<std::vector<std::wstring>> devices(what.kitDevices, {kit::HardwareId});
    if (what.lookalikeDevices) {
        devices.insert(devices.end(), LookalikeDevices.begin(), LookalikeDevices.end());
    }
    for (const std::vector<std::wstring>& ids : devices) {
        if (const DWORD error = RegisterDisplayDevice(ids)) {
            return error;
        }
    }

    std::wstring staged;
    if (const DWORD error = StageInf(packageFolder + L"\\" + kit::InfName, staged)) {
        return error;
    }
    if (const DWORD error = StageEarlierVersion(packageFolder + L"\\" + kit::InfName, staged)) {
        return error;
    }
    if (what.otherPackages) {
        for (const wchar_t* inf : OtherPackages) {
            if (const DWORD error = StageInf(dataFolder + L"\\" + inf, staged)) {
                return error;
            }
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
