// The bus's installation and removal by the library, on the simulated machine's device nodes
// and driver store.

#include <windows.h>

#include <gtest/gtest.h>

#include "ConferenceBusInstaller.h"
#include "KitFacts.h"
#include "Seam.h"
#include "SimulatedBus.h"

using conferencebus::BusError;
using conferencebus::BusInstall;
using conferencebus::BusRemoval;

namespace {

// The [Version] section of a package with this provider.
std::string Package(const char* provider) {
    return std::string("[Version]\r\nSignature=\"$WINDOWS NT$\"\r\nClass=System\r\n") +
           (provider != nullptr ? std::string("Provider=") + provider + "\r\n" : "");
}

// Another root device of the System class, which stays.
SimulatedNode OtherDevice() {
    return RootNode(L"ROOT\\SYSTEM\\0100", SystemClass, {L"Root\\OtherDevice"});
}

} // namespace

// Every bus device and every copy of the bus's package go; another vendor's package of the
// same file name, another package of the bus's provider, a package without a provider and
// another root device stay. Windows compares the names without regard to case.
TEST(Installer, RemoveTakesTheBusAndItsPackagesAway) {
    SimulatedBus simulated(1);
    simulated.Nodes().push_back(OtherDevice());
    const std::wstring others[] = {
        simulated.StagePackage(Package("Someone Else"), L"ConferenceBus.inf"),
        simulated.StagePackage(Package("Talvoren"), L"TalvorenDisplay.inf"),
        simulated.StagePackage(Package(nullptr), L"ConferenceBus.inf"),
    };
    simulated.StagePackage(Package("%P%") + "[Strings]\r\nP=\"Talvoren\"\r\n",
                           L"conferencebus.INF");
    BusInstall installed;
    ASSERT_FALSE(conferencebus::InstallBus(CONFERENCE_BUS_INF, &installed).Failed());
    EXPECT_FALSE(installed.created);
    EXPECT_EQ(BusInfPath(), installed.infPath);
    EXPECT_EQ(5u, simulated.DriverStore().size());

    BusRemoval removal;
    const BusError result = conferencebus::RemoveBus(&removal);
    EXPECT_EQ(L"", result.message);
    EXPECT_EQ(1u, removal.devices);
    EXPECT_EQ(2u, removal.packages);
    EXPECT_FALSE(removal.restartNeeded);
    EXPECT_TRUE(simulated.BusNodes().empty());
    ASSERT_EQ(2u, simulated.Nodes().size());
    EXPECT_FALSE(simulated.Nodes()[1].removed); // the other device
    EXPECT_EQ(std::vector<std::wstring>(std::begin(others), std::end(others)),
              simulated.DriverStore());
    std::vector<std::wstring> paths;
    ASSERT_FALSE(conferencebus::FindBuses(&paths).Failed());
    EXPECT_TRUE(paths.empty());

    // Nothing is left to remove.
    ASSERT_FALSE(conferencebus::RemoveBus(&removal).Failed());
    EXPECT_EQ(0u, removal.devices + removal.packages);
}

// An INF that does not install the bus is refused before anything changes.
TEST(Installer, RefusesAnotherPackage) {
    SimulatedBus simulated(0);
    const std::wstring other = simulated.InfFolder() + L"\\" +
                               simulated.StagePackage(Package("Talvoren"), L"TalvorenDisplay.inf");
    BusInstall installed;
    const BusError result = conferencebus::InstallBus(other, &installed);
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_COMPAT_DRIVERS), result.code);
    EXPECT_EQ(other + L" is not the bus's driver package: its models name no "
                      L"Root\\FenwarelConferenceBus",
              result.message);
    EXPECT_EQ(0u, seam::CountOf("SetupDiGetClassDevsW") +
                      seam::CountOf("SetupDiCreateDeviceInfoList") +
                      seam::CountOf("UpdateDriverForPlugAndPlayDevicesW"));
    EXPECT_EQ(1u, simulated.DriverStore().size());
}

// A failing platform call, the Nth of its name in the install or the removal, ends it with its
// code and a message naming the step. No install leaves a bus device behind, except when even
// the removal of the one it created fails, which the message tells.
struct Fault {
    const char* call;
    unsigned nth;
    uintptr_t result;
    DWORD error;
};

struct StepFailure {
    const char* name;
    bool install;
    std::vector<Fault> faults;
    std::wstring message; // "<inf>" stands for the INF's path
    bool deviceLeft = false;
};

class PlatformFailure : public ::testing::TestWithParam<StepFailure> {};

TEST_P(PlatformFailure, NamesTheStep) {
    const StepFailure& row = GetParam();
    SimulatedBus simulated(0);
    simulated.RunBesideBusInf();
    simulated.Nodes().push_back(OtherDevice());
    BusInstall installed;
    if (!row.install) {
        ASSERT_FALSE(conferencebus::InstallBus(L"", &installed).Failed());
    }
    for (const Fault& fault : row.faults) {
        seam::FailCall(fault.call, seam::CountOf(fault.call) + fault.nth, fault.result,
                       fault.error);
    }
    BusRemoval removal;
    const BusError result = row.install ? conferencebus::InstallBus(L"", &installed)
                                        : conferencebus::RemoveBus(&removal);
    std::wstring message = row.message;
    const size_t inf = message.find(L"<inf>");
    if (inf != std::wstring::npos) {
        message.replace(inf, 5, BusInfPath());
    }
    EXPECT_EQ(row.faults.front().error, result.code);
    EXPECT_EQ(message, result.message);
    if (row.install) {
        EXPECT_EQ(row.deviceLeft ? 1u : 0u, simulated.BusNodes().size());
        EXPECT_EQ(row.deviceLeft, installed.created);
        EXPECT_EQ(0u, simulated.machine().BusCount());
    }
    EXPECT_FALSE(simulated.Nodes()[0].removed); // the other device
}

const uintptr_t Invalid = seam::InvalidHandle;

INSTANTIATE_TEST_SUITE_P(
    Installer, PlatformFailure,
    ::testing::Values(
        StepFailure{"ProgramPath",
                    true,
                    {{"GetModuleFileNameW", 1, 0, ERROR_NOT_ENOUGH_MEMORY}},
                    L"finding the program's folder failed: Not enough memory (error 8)"},
        StepFailure{"FullPath",
                    true,
                    {{"GetFullPathNameW", 1, 0, ERROR_INVALID_NAME}},
                    L"reading the INF's full path failed: Invalid name (error 123)"},
        StepFailure{"OpenInf",
                    true,
                    {{"SetupOpenInfFileW", 1, Invalid, ERROR_FILE_NOT_FOUND}},
                    L"opening <inf> failed: File not found (error 2)"},
        StepFailure{"ReadModels",
                    true,
                    {{"SetupGetStringFieldW", 1, FALSE, ERROR_INVALID_DATA}},
                    L"reading <inf> failed: Invalid data (error 13)"},
        StepFailure{"InfClass",
                    true,
                    {{"SetupDiGetINFClassW", 1, FALSE, ERROR_INVALID_DATA}},
                    L"reading the INF's device class failed: Invalid data (error 13)"},
        StepFailure{"RootDevices",
                    true,
                    {{"SetupDiGetClassDevsW", 1, Invalid, ERROR_NOT_ENOUGH_MEMORY}},
                    L"looking for the bus device failed: Not enough memory (error 8)"},
        StepFailure{"EnumDevice",
                    true,
                    {{"SetupDiEnumDeviceInfo", 1, FALSE, ERROR_INVALID_DATA}},
                    L"looking for the bus device failed: Invalid data (error 13)"},
        StepFailure{"HardwareIds",
                    true,
                    {{"SetupDiGetDeviceRegistryPropertyW", 1, FALSE, ERROR_NOT_ENOUGH_MEMORY}},
                    L"looking for the bus device failed: Not enough memory (error 8)"},
        StepFailure{"NewSet",
                    true,
                    {{"SetupDiCreateDeviceInfoList", 1, Invalid, ERROR_NOT_ENOUGH_MEMORY}},
                    L"creating the bus device failed: Not enough memory (error 8)"},
        StepFailure{"NewElement",
                    true,
                    {{"SetupDiCreateDeviceInfoW", 1, FALSE, ERROR_ACCESS_DENIED}},
                    L"creating the bus device failed: Access denied (error 5)"},
        StepFailure{"WriteHardwareId",
                    true,
                    {{"SetupDiSetDeviceRegistryPropertyW", 1, FALSE, ERROR_INVALID_DATA}},
                    L"creating the bus device failed: Invalid data (error 13)"},
        StepFailure{"Register",
                    true,
                    {{"SetupDiCallClassInstaller", 1, FALSE, ERROR_ACCESS_DENIED}},
                    L"creating the bus device failed: Access denied (error 5)"},
        StepFailure{"InstallDriver",
                    true,
                    {{"UpdateDriverForPlugAndPlayDevicesW", 1, FALSE, ERROR_ACCESS_DENIED}},
                    L"installing the driver package failed: Access denied (error 5)"},
        StepFailure{"InstallDriverAndRemoval",
                    true,
                    {{"UpdateDriverForPlugAndPlayDevicesW", 1, FALSE, ERROR_ACCESS_DENIED},
                     {"SetupDiCallClassInstaller", 2, FALSE, ERROR_NOT_ENOUGH_MEMORY}},
                    L"installing the driver package failed: Access denied (error 5); removing the "
                    L"bus device it created failed: Not enough memory (error 8)",
                    true},
        StepFailure{"RemovalRootDevices",
                    false,
                    {{"SetupDiGetClassDevsW", 1, Invalid, ERROR_NOT_ENOUGH_MEMORY}},
                    L"looking for the bus device failed: Not enough memory (error 8)"},
        StepFailure{"RemoveDevice",
                    false,
                    {{"SetupDiCallClassInstaller", 1, FALSE, ERROR_ACCESS_DENIED}},
                    L"removing the bus device failed: Access denied (error 5)"},
        StepFailure{"RemovalOutcome",
                    false,
                    {{"SetupDiGetDeviceInstallParamsW", 1, FALSE, ERROR_INVALID_DATA}},
                    L"removing the bus device failed: Invalid data (error 13)"},
        StepFailure{"WindowsFolder",
                    false,
                    {{"GetSystemWindowsDirectoryW", 1, 0, ERROR_NOT_ENOUGH_MEMORY}},
                    L"reading the driver store failed: Not enough memory (error 8)"},
        StepFailure{"StoreSearch",
                    false,
                    {{"FindFirstFileW", 1, Invalid, ERROR_ACCESS_DENIED}},
                    L"reading the driver store failed: Access denied (error 5)"},
        StepFailure{"StoreNext",
                    false,
                    {{"FindNextFileW", 1, FALSE, ERROR_NOT_ENOUGH_MEMORY}},
                    L"reading the driver store failed: Not enough memory (error 8)"},
        StepFailure{"PackageInformation",
                    false,
                    {{"SetupGetInfInformationW", 1, FALSE, ERROR_INVALID_DATA}},
                    L"reading oem0.inf failed: Invalid data (error 13)"},
        StepFailure{"OriginalName",
                    false,
                    {{"SetupQueryInfOriginalFileInformationW", 1, FALSE, ERROR_INVALID_DATA}},
                    L"reading oem0.inf failed: Invalid data (error 13)"},
        StepFailure{"PackageProvider",
                    false,
                    {{"SetupOpenInfFileW", 1, Invalid, ERROR_ACCESS_DENIED}},
                    L"reading oem0.inf failed: Access denied (error 5)"},
        StepFailure{"UninstallPackage",
                    false,
                    {{"SetupUninstallOEMInfW", 1, FALSE, ERROR_ACCESS_DENIED}},
                    L"removing the driver package oem0.inf failed: Access denied (error 5)"}),
    [](const auto& test) { return std::string(test.param.name); });
