// The uninstall workflow of the shipping program on a Windows 10 prefix prepared as an
// installation of the package leaves it.
#include "ExpectedLog.h"
#include "SetupScenario.h"
#include "support/SystemState.h"

namespace {

class Remove : public SetupScenario {
protected:
    void SetUp() override {
        SetupScenario::SetUp();
        ReportWindows(L"10.0", L"19041");
    }
};

const std::string Begin = std::string(Banner) + R"(DriverSetup _tmain: Removing device and driver...
IDDSetupActions::Uninstall Begin Uninstall Process...
)" + Configuration + R"(IDDDeviceInfoSet::RemoveDeviceNode SetupDiGetClassDevs success
IDDDeviceInfoSet::RemoveDeviceNode Find device instance/s...
)";

// The device walk of a system with two nodes of the kit and the two lookalikes.
const std::string RemoveTwoDevices =
    Begin + "IDDDeviceInfoSet::RemoveDeviceNode Current HWID = " + WineDisplayAdapter + R"(
IDDDeviceInfoSet::RemoveDeviceNode Current HWID = Root\VID_TALVOREN_VIRTUAL_DISPLAY_0001
IDDDeviceInfoSet::RemoveDeviceNode Found an instance = Root\VID_TALVOREN_VIRTUAL_DISPLAY_0001 1
IDDDeviceInfoSet::RemoveDeviceNode Current HWID = Root\VID_TALVOREN_VIRTUAL_DISPLAY_0001
IDDDeviceInfoSet::RemoveDeviceNode Found an instance = Root\VID_TALVOREN_VIRTUAL_DISPLAY_0001 2
IDDDeviceInfoSet::RemoveDeviceNode Current HWID = ROOT\VID_TALVOREN_VIRTUAL_DISPLAY_0001
IDDDeviceInfoSet::RemoveDeviceNode Current HWID = Root\VID_NORTHWIND_PANEL
IDDDeviceInfoSet::RemoveDeviceNode No more items
IDDSetupActions::Uninstall DeviceInfoSet.RemoveDeviceNode success
)" + RemovePackages;

const std::string Finish = R"(IDDSetupActions::Uninstall Uninstall Process Finished
DriverSetup _tmain: Setup Success!
)";

// What every removal on a prepared system leaves: the lookalikes, and on Wine all five
// packages, since its SetupUninstallOEMInfW without the force flag deletes nothing.
void ExpectRemovedFrom(const SystemState& before) {
    const SystemState after = CaptureSystemState();
    EXPECT_EQ(prep::LookalikeDevices, HardwareIdLists(after));
    SystemState expected = before;
    expected.rootDisplayDevices = after.rootDisplayDevices;
    expected.serviceState = 0;
    expected.frameworkServiceKey = false;
    expected.packageSettingsKey = false;
    expected.driverFiles.clear();
    EXPECT_EQ(Describe(expected), Describe(after));
}

// The service is there but stopped: the stop fails, the delete succeeds. The uninstall
// section runs (it takes the package's settings away) and the framework's key goes without
// a word.
const std::string RemoveInstalledSystem = RemoveTwoDevices + R"(IDDUtilities::ServiceStop
IDDUtilities::ServiceStop ControlService failed 1062 Status:1
Service deleted successfully
IDDSetupActions::PrivateCleanup Removing file and registry entry
)" + Finish;

TEST_F(Remove, InstalledSystemWithServiceKeyAndFiles) {
    Prepare({2, true, true, true});
    const SystemState before = CaptureSystemState();
    ASSERT_EQ(SERVICE_STOPPED, before.serviceState) << Describe(before);

    EXPECT_EQ(0u, RunSetup(L"remove"));

    EXPECT_EQ(Crlf(RemoveInstalledSystem), Log());
    ExpectRemovedFrom(before);
}

// The program name is not part of the action text: "install" in the program's path does not
// make a "remove" run an install.
class ProgramInFolderNamedInstall : public Remove {
protected:
    ProgramInFolderNamedInstall() { folder = L"C:\\install"; }
};

TEST_F(ProgramInFolderNamedInstall, RemoveRunsUninstall) {
    Prepare({2, true, true, true});
    const SystemState before = CaptureSystemState();

    EXPECT_EQ(0u, RunSetup(L"remove"));

    // The same run as from the kit's folder; only the INF path beside the program differs.
    std::string expected = RemoveInstalledSystem;
    const std::string kitInf = "C:\\Talvoren Kit\\TalvorenDisplay.inf";
    expected.replace(expected.find(kitInf), kitInf.size(), "C:\\install\\TalvorenDisplay.inf");
    EXPECT_EQ(Crlf(expected), Log());
    ExpectRemovedFrom(before);
}

TEST_F(Remove, InstalledSystemWithoutServiceKeyAndFiles) {
    Prepare({2, true, true, false});
    const SystemState before = CaptureSystemState();

    EXPECT_EQ(0u, RunSetup(L"remove"));

    // 1060: no such service, for the stop and for the delete; 2: no such key. Missing
    // files leave no trace.
    EXPECT_EQ(Crlf(RemoveTwoDevices + R"(IDDUtilities::ServiceStop
IDDUtilities::PrivateServiceHandleGet  OpenService failed 1060
IDDUtilities::PrivateServiceHandleGet  OpenService failed 1060
IDDSetupActions::PrivateCleanup Removing file and registry entry
IDDSetupActions::PrivateCleanup SHDeleteKey failed! 2
)" + Finish),
              Log());
    ExpectRemovedFrom(before);
}

// Nothing was ever installed: no device is found, and with no OEM INF at all the package
// search fails with the platform's code, which ends the run as a failure.
TEST_F(Remove, SystemWithoutAnyPackage) {
    EXPECT_EQ(0u, RunSetup(L"remove"));

    EXPECT_EQ(
        Crlf(Begin + "IDDDeviceInfoSet::RemoveDeviceNode Current HWID = " + WineDisplayAdapter + R"(
IDDDeviceInfoSet::RemoveDeviceNode No more items
IDDDeviceInfoSet::RemoveDeviceNode No Device instance found
IDDSetupActions::Uninstall DeviceInfoSet.RemoveDeviceNode success
IDDDeviceInfoSet::RemoveDriverOemInf FindFirstFileW failed 2
IDDSetupActions::Uninstall DeviceInfoSet.RemoveDeviceOemInf failed 2
DriverSetup _tmain:Exit Setup Failed
)"),
        Log());
}

} // namespace
