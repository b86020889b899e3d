// Installing the bus: the INF checked, the device node created unless present, the package
// installed on it.

#include <windows.h>

#include <newdev.h>

#include "Installer.h"
#include "Interface.h"
#include "Messages.h"

namespace conferencebus {

namespace {

// The INF as a full path, which the driver installation demands; by default the one beside
// the running program.
BusError FullInfPath(const std::wstring& given, std::wstring* full) {
    std::wstring path = given;
    if (path.empty()) {
        std::vector<wchar_t> program(MAX_PATH);
        DWORD length = 0;
        // A path cut short fills the buffer exactly.
        while ((length = GetModuleFileNameW(nullptr, program.data(),
                                            static_cast<DWORD>(program.size()))) ==
               program.size()) {
            program.resize(program.size() * 2);
        }
        if (length == 0) {
            return messages::StepFailed(messages::FindingProgramFolder);
        }
        path.assign(program.data(), length);
        path.replace(path.find_last_of(L'\\') + 1, std::wstring::npos, BusInfName);
    }
    const DWORD required = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    std::vector<wchar_t> buffer(required + 1);
    if (required == 0 || GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()),
                                          buffer.data(), nullptr) == 0) {
        return messages::StepFailed(messages::ReadingInfPath);
    }
    full->assign(buffer.data());
    return {};
}

// Whether a model line names the bus, as its hardware id or a compatible id.
DWORD LinesNameTheBus(HINF inf, const std::wstring& section, bool* names) {
    INFCONTEXT line;
    for (BOOL found = SetupFindFirstLineW(inf, section.c_str(), nullptr, &line); found && !*names;
         found = SetupFindNextLine(&line, &line)) {
        for (DWORD field = 2; field <= SetupGetFieldCount(&line) && !*names; field++) {
            std::wstring id;
            const DWORD error = ReadField(&line, field, &id);
            if (error != ERROR_SUCCESS) {
                return error;
            }
            *names = SameName(id, BusHardwareId);
        }
    }
    return ERROR_SUCCESS;
}

// Every models section that [Manufacturer] names, plain and with each of its target
// decorations, since Windows picks one of them by the system it installs on.
DWORD ModelsNameTheBus(HINF inf, bool* names) {
    *names = false;
    INFCONTEXT manufacturer;
    for (BOOL found = SetupFindFirstLineW(inf, L"Manufacturer", nullptr, &manufacturer);
         found && !*names; found = SetupFindNextLine(&manufacturer, &manufacturer)) {
        std::wstring models;
        DWORD error = ReadField(&manufacturer, 1, &models);
        std::vector<std::wstring> sections{models};
        for (DWORD field = 2; error == ERROR_SUCCESS && field <= SetupGetFieldCount(&manufacturer);
             field++) {
            std::wstring decoration;
            error = ReadField(&manufacturer, field, &decoration);
            sections.push_back(models + L"." + decoration);
        }
        for (size_t at = 0; error == ERROR_SUCCESS && at < sections.size() && !*names; at++) {
            error = LinesNameTheBus(inf, sections[at], names);
        }
        if (error != ERROR_SUCCESS) {
            return error;
        }
    }
    return ERROR_SUCCESS;
}

BusError CheckPackage(const std::wstring& infPath) {
    const InfHandle inf(infPath);
    if (!inf.Valid()) {
        return messages::StepFailed(messages::Opening(infPath));
    }
    bool names = false;
    const DWORD error = ModelsNameTheBus(inf.Handle(), &names);
    if (error != ERROR_SUCCESS) {
        return messages::StepFailed(messages::Reading(infPath), error);
    }
    if (!names) {
        return {static_cast<DWORD>(ERROR_NO_COMPAT_DRIVERS), messages::NotTheBusPackage(infPath)};
    }
    return {};
}

// A root-enumerated node of the class, instance id generated from the class name, with the
// bus's hardware id, registered with Plug and Play.
BusError CreateBusDevice(const GUID& classGuid, const wchar_t* className, DeviceSet* set,
                         SP_DEVINFO_DATA* device) {
    set->Reset(SetupDiCreateDeviceInfoList(&classGuid, nullptr));
    if (!set->Valid()) {
        return messages::StepFailed(messages::CreatingBus);
    }
    device->cbSize = sizeof(*device);
    const std::wstring ids = MultiString({BusHardwareId});
    if (!SetupDiCreateDeviceInfoW(set->Handle(), className, &classGuid, nullptr, nullptr,
                                  DICD_GENERATE_ID, device) ||
        !SetupDiSetDeviceRegistryPropertyW(set->Handle(), device, SPDRP_HARDWAREID,
                                           reinterpret_cast<const BYTE*>(ids.data()),
                                           static_cast<DWORD>(ids.size() * sizeof(wchar_t))) ||
        !SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set->Handle(), device)) {
        return messages::StepFailed(messages::CreatingBus);
    }
    return {};
}

} // namespace

BusError InstallBus(const std::wstring& infPath, BusInstall* outcome) {
    *outcome = BusInstall();
    BusError result = FullInfPath(infPath, &outcome->infPath);
    if (!result.Failed()) {
        result = CheckPackage(outcome->infPath);
    }
    if (result.Failed()) {
        return result;
    }
    GUID classGuid{};
    wchar_t className[MAX_CLASS_NAME_LEN];
    if (!SetupDiGetINFClassW(outcome->infPath.c_str(), &classGuid, className, MAX_CLASS_NAME_LEN,
                             nullptr)) {
        return messages::StepFailed(messages::ReadingInfClass);
    }

    DeviceSet present;
    std::vector<SP_DEVINFO_DATA> devices;
    result = FindBusDevices(&present, &devices);
    DeviceSet created;
    SP_DEVINFO_DATA device{};
    if (!result.Failed() && devices.empty()) {
        result = CreateBusDevice(classGuid, className, &created, &device);
        outcome->created = !result.Failed();
    }
    if (result.Failed()) {
        return result;
    }

    // Forced, so that a second install, or one of an older version, puts this package on the
    // device even when Windows ranks the installed driver as good or better.
    BOOL restart = FALSE;
    if (UpdateDriverForPlugAndPlayDevicesW(nullptr, BusHardwareId, outcome->infPath.c_str(),
                                           INSTALLFLAG_FORCE, &restart)) {
        outcome->restartNeeded = restart != FALSE;
        return {};
    }
    result = messages::StepFailed(messages::InstallingPackage);
    if (outcome->created) {
        if (SetupDiCallClassInstaller(DIF_REMOVE, created.Handle(), &device)) {
            outcome->created = false;
        } else {
            result.message = messages::RollbackFailed(result.message, GetLastError());
        }
    }
    return result;
}

} // namespace conferencebus
