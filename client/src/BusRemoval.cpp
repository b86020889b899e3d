// Removing the bus: its devices, then its package's copies in the driver store.

#include "Installer.h"
#include "Messages.h"

namespace conferencebus {

namespace {

// The file names of the driver store's INFs, oem<n>.inf in the Windows INF folder. The
// system's Windows folder, not the per-user one that a Remote Desktop session may give a
// program that is not terminal-server aware.
BusError DriverStoreInfs(std::wstring* folder, std::vector<std::wstring>* names) {
    const UINT size = GetSystemWindowsDirectoryW(nullptr, 0);
    std::vector<wchar_t> windows(size + 1);
    if (size == 0 ||
        GetSystemWindowsDirectoryW(windows.data(), static_cast<UINT>(windows.size())) == 0) {
        return messages::StepFailed(messages::ReadingDriverStore);
    }
    *folder = std::wstring(windows.data()) + L"\\INF\\";
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((*folder + L"oem*.inf").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return GetLastError() == ERROR_FILE_NOT_FOUND
                   ? BusError{}
                   : messages::StepFailed(messages::ReadingDriverStore);
    }
    const std::wstring extension = L".inf";
    do {
        // A pattern's three-letter extension also matches longer ones through short names.
        const std::wstring name = found.cFileName;
        if (name.size() > extension.size() &&
            SameName(name.substr(name.size() - extension.size()), extension)) {
            names->push_back(name);
        }
    } while (FindNextFileW(search, &found));
    const DWORD error = GetLastError();
    FindClose(search);
    if (error != ERROR_NO_MORE_FILES) {
        return messages::StepFailed(messages::ReadingDriverStore, error);
    }
    return {};
}

// The name the INF had before Windows copied it into the driver store.
BusError OriginalName(const std::wstring& path, const std::wstring& name, std::wstring* original) {
    DWORD required = 0;
    if (!SetupGetInfInformationW(path.c_str(), INFINFO_INF_NAME_IS_ABSOLUTE, nullptr, 0,
                                 &required)) {
        return messages::StepFailed(messages::Reading(name));
    }
    std::vector<DWORD> storage(required / sizeof(DWORD) + 1);
    auto* information = reinterpret_cast<PSP_INF_INFORMATION>(storage.data());
    SP_ORIGINAL_FILE_INFO_W file{};
    file.cbSize = sizeof(file);
    if (!SetupGetInfInformationW(path.c_str(), INFINFO_INF_NAME_IS_ABSOLUTE, information,
                                 static_cast<DWORD>(storage.size() * sizeof(DWORD)), nullptr) ||
        !SetupQueryInfOriginalFileInformationW(information, 0, nullptr, &file)) {
        return messages::StepFailed(messages::Reading(name));
    }
    const std::wstring text = file.OriginalInfName;
    *original = text.substr(text.find_last_of(L'\\') + 1);
    return {};
}

// A copy of the bus's package: its original INF is the bus's, and so is its provider. An INF
// without a provider is some other package.
BusError IsBusPackage(const std::wstring& folder, const std::wstring& name, bool* ours) {
    *ours = false;
    const std::wstring path = folder + name;
    std::wstring original;
    BusError result = OriginalName(path, name, &original);
    if (result.Failed() || !SameName(original, BusInfName)) {
        return result;
    }
    const InfHandle inf(path);
    if (!inf.Valid()) {
        return messages::StepFailed(messages::Reading(name));
    }
    INFCONTEXT line;
    std::wstring provider;
    if (!SetupFindFirstLineW(inf.Handle(), L"Version", L"Provider", &line)) {
        return {};
    }
    const DWORD error = ReadField(&line, 1, &provider);
    if (error != ERROR_SUCCESS) {
        return messages::StepFailed(messages::Reading(name), error);
    }
    *ours = SameName(provider, BusProvider);
    return {};
}

BusError RemoveDevices(BusRemoval* outcome) {
    DeviceSet set;
    std::vector<SP_DEVINFO_DATA> devices;
    const BusError result = FindBusDevices(&set, &devices);
    if (result.Failed()) {
        return result;
    }
    for (SP_DEVINFO_DATA& device : devices) {
        if (!SetupDiCallClassInstaller(DIF_REMOVE, set.Handle(), &device)) {
            return messages::StepFailed(messages::RemovingBus);
        }
        outcome->devices++;
        // A device that a program holds open is removed at the next restart, which the
        // element's flags tell. An element whose device is gone altogether (Wine drops it)
        // waits for nothing.
        SP_DEVINSTALL_PARAMS_W params{};
        params.cbSize = sizeof(params);
        if (!SetupDiGetDeviceInstallParamsW(set.Handle(), &device, &params)) {
            if (GetLastError() != static_cast<DWORD>(ERROR_NO_SUCH_DEVINST)) {
                return messages::StepFailed(messages::RemovingBus);
            }
            params.Flags = 0;
        }
        outcome->restartNeeded =
            outcome->restartNeeded || (params.Flags & (DI_NEEDREBOOT | DI_NEEDRESTART)) != 0;
    }
    return {};
}

} // namespace

BusError RemoveBus(BusRemoval* outcome) {
    *outcome = BusRemoval();
    BusError result = RemoveDevices(outcome);
    std::wstring folder;
    std::vector<std::wstring> names;
    if (!result.Failed()) {
        result = DriverStoreInfs(&folder, &names);
    }
    for (size_t at = 0; !result.Failed() && at < names.size(); at++) {
        bool ours = false;
        result = IsBusPackage(folder, names[at], &ours);
        if (result.Failed() || !ours) {
            continue;
        }
        // Forced: the package's devices are gone, or go at the restart that Windows asks for,
        // and until then the platform would refuse a package still in use.
        if (!SetupUninstallOEMInfW(names[at].c_str(), SUOI_FORCEDELETE, nullptr)) {
            return messages::StepFailed(messages::RemovingPackage(names[at]));
        }
        outcome->packages++;
    }
    return result;
}

} // namespace conferencebus
