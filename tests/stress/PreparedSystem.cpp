#include "PreparedSystem.h"

#include "KitFacts.h"

#include <gtest/gtest.h>

namespace sweep {

namespace {

using setuptest::Fail;
using setuptest::PciDisplay;

const wchar_t ProgramFolder[] = L"Talvoren";
const std::string OurPackage = setuptest::OemInf("Display", "Talvoren");

} // namespace

bool operator==(const SystemState& a, const SystemState& b) {
    return a.ourNodes == b.ourNodes && a.stagedInfs == b.stagedInfs && a.service == b.service &&
           a.frameworkKey == b.frameworkKey && a.driverFiles == b.driverFiles;
}

void PrintTo(const SystemState& state, std::ostream* out) {
    *out << "{our nodes " << state.ourNodes << ", INFs";
    for (const std::wstring& inf : state.stagedInfs) {
        *out << ' ' << testing::PrintToString(inf);
    }
    *out << ", service " << state.service << ", key " << state.frameworkKey << ", "
         << state.driverFiles.size() << " driver files}";
}

PreparedSystem::PreparedSystem(setuptest::FakeWindows& fakeMachine) : machine(fakeMachine) {
    CreateDirectoryW((machine.windowsDirectory + L"\\" + ProgramFolder).c_str(), nullptr);
    machine.WriteFile(std::wstring(ProgramFolder) + L"\\" + kit::InfName, OurPackage);
    machine.programPath =
        machine.windowsDirectory + L"\\" + ProgramFolder + L"\\" + kit::ProgramName;
}

const std::vector<std::wstring>& PreparedSystem::StagedInfs() {
    static const std::vector<std::wstring> infs = {L"oem1.inf", L"oem2.inf", L"oem3.inf"};
    return infs;
}

bool PreparedSystem::IsOurs(const std::wstring& stagedInf) {
    return stagedInf != L"oem2.inf";
}

std::wstring PreparedSystem::InfPath() const {
    return machine.windowsDirectory + L"\\" + ProgramFolder + L"\\" + kit::InfName;
}

void PreparedSystem::Prepare() {
    machine.deviceTree.devices = {{{PciDisplay}}, {{kit::HardwareId}}};
    for (const std::wstring& inf : StagedInfs()) {
        machine.WriteFile(L"INF\\" + inf,
                          IsOurs(inf) ? OurPackage : setuptest::OemInf("Display", "Contoso"));
    }
    machine.WriteResidue();
    serviceExists = true;

    // The platform's driver installation fails for a path that names no file, as it
    // does for the empty path the program is left with when it cannot find itself.
    SEAM_OVERRIDE(DiInstallDriverW, [](HWND, LPCWSTR infPath, DWORD, PBOOL) -> BOOL {
        return GetFileAttributesW(infPath) == INVALID_FILE_ATTRIBUTES ? Fail(ERROR_FILE_NOT_FOUND)
                                                                      : TRUE;
    });
    InstallServiceManager();
}

void PreparedSystem::InstallServiceManager() {
    auto newHandle = [this] { return reinterpret_cast<SC_HANDLE>(nextServiceHandle++); };
    auto openService = [this, newHandle](SC_HANDLE, LPCWSTR name, DWORD) -> SC_HANDLE {
        if (!serviceExists || std::wstring(name) != kit::ServiceName) {
            SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
            return nullptr;
        }
        return newHandle();
    };
    SEAM_OVERRIDE(OpenSCManagerW, [newHandle](LPCWSTR, LPCWSTR, DWORD) { return newHandle(); });
    SEAM_OVERRIDE(OpenServiceW, openService);
    // The service runs and takes the one stop of a run; the record then shows it stopping.
    SEAM_OVERRIDE(ControlService, [](SC_HANDLE, DWORD, LPSERVICE_STATUS status) -> BOOL {
        status->dwCurrentState = SERVICE_STOP_PENDING;
        return TRUE;
    });
    SEAM_OVERRIDE(DeleteService, [this](SC_HANDLE) -> BOOL {
        serviceExists = false;
        return TRUE;
    });
    SEAM_OVERRIDE(CloseServiceHandle, [](SC_HANDLE) -> BOOL { return TRUE; });
}

SystemState PreparedSystem::PreparedState() {
    SystemState state;
    state.ourNodes = 1;
    state.stagedInfs.insert(StagedInfs().begin(), StagedInfs().end());
    state.service = true;
    state.frameworkKey = true;
    state.driverFiles.insert(setuptest::DriverFiles().begin(), setuptest::DriverFiles().end());
    return state;
}

SystemState PreparedSystem::State() const {
    SystemState state;
    for (const setuptest::FakeDevice& device : machine.deviceTree.devices) {
        const bool ours = !device.hardwareIds.empty() && device.hardwareIds[0] == kit::HardwareId;
        state.ourNodes += ours && device.present && !device.removed ? 1 : 0;
    }
    for (const std::wstring& inf : StagedInfs()) {
        if (machine.HasFile(L"INF\\" + inf)) {
            state.stagedInfs.insert(inf);
        }
    }
    state.service = serviceExists;
    state.frameworkKey = setuptest::FrameworkKeyExists();
    for (const std::wstring& file : setuptest::DriverFiles()) {
        if (machine.HasFile(file)) {
            state.driverFiles.insert(file);
        }
    }
    return state;
}

SystemState PreparedSystem::StateBefore(const std::vector<seam::Call>& calls,
                                        std::size_t position) const {
    SystemState state = PreparedState();
    const std::wstring folder = machine.windowsDirectory + L"\\";
    for (std::size_t i = 0; i < position; ++i) {
        const seam::Call& call = calls[i];
        const bool succeeded = call.result == (call.function == "SHDeleteKeyW" ? L"0" : L"1");
        if (!succeeded) {
            continue;
        }
        if (call.function == "SetupDiCallClassInstaller") {
            if (call.args.at(0) == L"25") { // DIF_REGISTERDEVICE
                ++state.ourNodes;
            } else if (call.args.at(0) == L"5") { // DIF_REMOVE
                --state.ourNodes;
            }
        } else if (call.function == "SetupUninstallOEMInfW") {
            state.stagedInfs.erase(seam::Unquoted(call.args.at(0)));
        } else if (call.function == "DeleteService") {
            state.service = false;
        } else if (call.function == "SHDeleteKeyW") {
            state.frameworkKey = false;
        } else if (call.function == "DeleteFileW") {
            state.driverFiles.erase(seam::Unquoted(call.args.at(0)).substr(folder.size()));
        }
    }
    return state;
}

} // namespace sweep
