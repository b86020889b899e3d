// The install and uninstall workflows: version checks, order of the steps, what ends
// them and what they leave behind.
#include "FakeWindows.h"
#include "Messages.h"

#include "Seam.h"
#include "actions/IDDSetupActions.h"

namespace setuptest {
namespace {

const wchar_t InstallCreated[] =
    L"IDDSetupActions::Install DeviceInfoSet.CreateDeviceNode success\n";
const wchar_t InstallDriverInstalled[] = L"IDDSetupActions::Install DiInstallDriver success\n";
const wchar_t InstallFinished[] = L"IDDSetupActions::Install Install Process Finished\n";
const wchar_t PciDisplay[] = L"PCI\\VEN_1234&DEV_1111";

using WorkflowTest = MachineTest;

// The 32-bit program on 64-bit Windows is refused like an unsupported version, after
// the version checks.
TEST_F(WorkflowTest, WindowsVersionAndWow64DecideWhetherTheWorkflowRuns) {
    const INT inWow64 = static_cast<INT>(ERROR_IN_WOW64);
    const struct {
        WindowsVersion version;
        bool install;
        Lines lines;
        INT result;
        bool wow64 = false;
    } cases[] = {
        {{6, 3, 0, 9600}, true, {InstallBegin, InstallBeforeWindows10}, 0},
        {{6, 3, 0, 9600}, false, {UninstallBegin, UninstallBeforeWindows10}, 0},
        {{10, 0, 0, 10586},
         true,
         {InstallBegin, L"IDDSetupActions::Install failed! Windows 10 version not supported\n"},
         50},
        {{10, 0, 0, 14392},
         false,
         {UninstallBegin, L"IDDSetupActions::Uninstall failed! Windows 10 version not supported\n"},
         50},
        {{10, 0, 0, 14393},
         true,
         {InstallBegin, L"IDDSetupActions::Install failed! 32-bit setup not supported on 64-bit "
                        L"Windows, use TalvorenSetup64.exe\n"},
         inWow64,
         true},
        {{10, 0, 0, 22631},
         false,
         {UninstallBegin, L"IDDSetupActions::Uninstall failed! 32-bit setup not supported on "
                          L"64-bit Windows, use TalvorenSetup64.exe\n"},
         inWow64,
         true},
        {{6, 3, 0, 9600}, false, {UninstallBegin, UninstallBeforeWindows10}, 0, true},
    };
    for (const auto& c : cases) {
        StartOver();
        machine.version = c.version;
        machine.wow64 = c.wow64;
        IDDSetupActions actions;
        EXPECT_EQ(c.install ? actions.Install() : actions.Uninstall(), c.result);
        ExpectLog(c.lines);
        // Nothing is configured or touched, and only Install on an old Windows 10 build
        // asks the user.
        EXPECT_EQ(seam::CountOf("GetModuleFileNameW") + seam::CountOf("SetupDiGetClassDevsW") +
                      seam::CountOf("SetupDiCreateDeviceInfoList") +
                      seam::CountOf("GetWindowsDirectoryW") + seam::CountOf("OpenSCManagerW") +
                      seam::CountOf("SHDeleteKeyW") + seam::CountOf("DeleteFileW"),
                  0u);
        EXPECT_EQ(seam::CountOf("IsWow64Process"), c.result == inWow64 ? 1u : 0u);
        const bool box = c.install && c.result == ERROR_NOT_SUPPORTED;
        ASSERT_EQ(seam::CountOf("MessageBoxW"), box ? 1u : 0u);
        if (box) {
            EXPECT_EQ(seam::CallsTo("MessageBoxW")[0].args,
                      (std::vector<std::wstring>{L"null", L"\"Windows 10 version not supported\"",
                                                 L"\"Install failed!\"", L"0"}));
            EXPECT_EQ(CallsAmong({"OutputDebugStringW", "MessageBoxW"}).back(),
                      "MessageBoxW"); // after the failure line
        }
    }
}

class SupportedVersionTest : public WorkflowTest,
                             public testing::WithParamInterface<WindowsVersion> {};

TEST_P(SupportedVersionTest, InstallCreatesTheNodeInstallsTheDriverAndRescans) {
    machine.version = GetParam();
    machine.deviceTree.devices = {{{PciDisplay}}};
    EXPECT_EQ(IDDSetupActions().Install(), 0);

    ExpectLog(Lines{InstallBegin, Configuration()} + CreateNodeUntilDetection({PciDisplay}) +
              Lines{RegisterSuccess, InstallCreated, InstallDriverInstalled, InstallFinished});
    ASSERT_EQ(machine.deviceTree.devices.size(), 2u);
    EXPECT_EQ(machine.deviceTree.devices[1].hardwareIds, Lines{OurHardwareId});
    EXPECT_EQ(seam::CallsTo("DiInstallDriverW").at(0).args,
              (std::vector<std::wstring>{L"null", L"\"" + std::wstring(DefaultInfPath) + L"\"",
                                         L"0", L"null"}));
    // The driver goes onto the registered node, the tree is rescanned after it, and the
    // workflow's set is released last.
    EXPECT_EQ(CallsAmong({"SetupDiCallClassInstaller", "DiInstallDriverW", "CM_Locate_DevNodeW",
                          "CM_Reenumerate_DevNode", "SetupDiDestroyDeviceInfoList"}),
              (std::vector<std::string>{"SetupDiDestroyDeviceInfoList", "SetupDiCallClassInstaller",
                                        "DiInstallDriverW", "CM_Locate_DevNodeW",
                                        "CM_Reenumerate_DevNode", "SetupDiDestroyDeviceInfoList"}));
}

INSTANTIATE_TEST_SUITE_P(Workflow, SupportedVersionTest,
                         testing::Values(WindowsVersion{10, 0, 0, 14393},
                                         WindowsVersion{10, 0, 0, 19041},
                                         WindowsVersion{10, 0, 2, 22631}));

TEST_F(WorkflowTest, SecondInstallKeepsThePresentNodeAndStillInstallsTheDriver) {
    machine.deviceTree.devices = {{{OurHardwareId}}};
    EXPECT_EQ(IDDSetupActions().Install(), 0);
    ExpectLog(Lines{InstallBegin, Configuration()} + CreateNodeUntilDetection({OurHardwareId}) +
              Lines{L"IDDDeviceInfoSet::CreateDeviceNode PrivateDetectDeviceNode device detected\n",
                    InstallCreated, InstallDriverInstalled, InstallFinished});
    EXPECT_EQ(machine.deviceTree.devices.size(), 1u);
    EXPECT_EQ(seam::CountOf("SetupDiCallClassInstaller"), 0u);
    EXPECT_EQ(seam::CountOf("DiInstallDriverW"), 1u);
}

TEST_F(WorkflowTest, FailedNodeCreationEndsInstallWithItsCode) {
    seam::FailCall("SetupDiCallClassInstaller", 1, FALSE, 0xE000020B);
    EXPECT_EQ(IDDSetupActions().Install(), static_cast<INT>(0xE000020B));
    ExpectLog(
        Lines{InstallBegin, Configuration()} + CreateNodeUntilDetection({}) +
        Lines{L"IDDDeviceInfoSet::CreateDeviceNode SetupDiCallClassInstaller failed "
              L"-536870389\n",
              L"IDDSetupActions::Install DeviceInfoSet.CreateDeviceNode failed -536870389\n"});
    EXPECT_EQ(seam::CountOf("DiInstallDriverW") + seam::CountOf("CM_Locate_DevNodeW"), 0u);
}

// With the INF missing beside the program the driver installation fails; the node
// created before it stays.
TEST_F(WorkflowTest, FailedDriverInstallationEndsInstallWithItsCodeAndKeepsTheNode) {
    seam::FailCall("DiInstallDriverW", 1, FALSE, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(IDDSetupActions().Install(), ERROR_FILE_NOT_FOUND);
    ExpectLog(Lines{InstallBegin, Configuration()} + CreateNodeUntilDetection({}) +
              Lines{RegisterSuccess, InstallCreated,
                    L"IDDSetupActions::Install DiInstallDriver failed 2\n"});
    EXPECT_EQ(machine.deviceTree.devices.size(), 1u);
    EXPECT_EQ(seam::CountOf("CM_Locate_DevNodeW"), 0u);
}

TEST_F(WorkflowTest, UnknownProgramPathLeavesTheInfPathEmptyForTheDriverInstallation) {
    seam::FailCall("GetModuleFileNameW", 1, 0, ERROR_ACCESS_DENIED);
    IDDSetupActions().Install();
    EXPECT_EQ(DebuggerLines().at(1),
              L"IDDDriverSetup: IDDUtilities::GetInfFilePath  GetFullPathName failed 5\n\n");
    EXPECT_EQ(DebuggerLines().at(2), L"IDDDriverSetup: " + Configuration(L"") + L"\n");
    EXPECT_EQ(seam::CallsTo("DiInstallDriverW").at(0).args.at(1), L"\"\"");
}

// The workflow goes on as on 32-bit Windows (the fault sweep shows it for both).
TEST_F(WorkflowTest, FailedWow64QueryIsOnlyLogged) {
    seam::FailCall("IsWow64Process", 1, FALSE, ERROR_ACCESS_DENIED);
    EXPECT_EQ(IDDSetupActions().Install(), 0);
    ExpectLog(Lines{InstallBegin, L"IDDSetupActions::Install IsWow64Process failed 5\n",
                    Configuration()} +
              CreateNodeUntilDetection({}) +
              Lines{RegisterSuccess, InstallCreated, InstallDriverInstalled, InstallFinished});
}

TEST_F(WorkflowTest, FailedRescanIsOnlyLogged) {
    seam::FailCall("CM_Locate_DevNodeW", 1, CR_FAILURE, 0);
    const Lines rescanFailed = {L"IDDUtilities::ScanForHardwareChanges CM_Locate_DevNode failed\n"};
    EXPECT_EQ(IDDSetupActions().Install(), 0);
    ExpectLog(Lines{InstallBegin, Configuration()} + CreateNodeUntilDetection({}) +
              Lines{RegisterSuccess, InstallCreated, InstallDriverInstalled} + rescanFailed +
              Lines{InstallFinished});

    StartOver();
    machine.deviceTree.devices.clear();
    seam::FailCall("CM_Locate_DevNodeW", 1, CR_FAILURE, 0);
    machine.WriteFile(L"INF\\oem1.inf", OemInf("Net", nullptr));
    EXPECT_EQ(IDDSetupActions().Uninstall(), 0);
    ExpectLog(UninstallFindingNothing(machine.InfDirectory(),
                                      rescanFailed + CleanupWithoutServiceOrKey()));
}

TEST_F(WorkflowTest, UninstallRemovesNodesThenPackagesThenRescansAndCleansUp) {
    machine.deviceTree.devices = {{{PciDisplay}}, {{OurHardwareId}}};
    machine.WriteFile(L"INF\\oem1.inf", OemInf("Display", "Talvoren"));
    machine.WriteFile(L"INF\\oem2.inf", OemInf("Display", "Contoso"));
    const std::wstring infs = machine.InfDirectory();

    EXPECT_EQ(IDDSetupActions().Uninstall(), 0);
    ExpectLog(Lines{UninstallBegin, Configuration(),
                    L"IDDDeviceInfoSet::RemoveDeviceNode SetupDiGetClassDevs success\n",
                    L"IDDDeviceInfoSet::RemoveDeviceNode Find device instance/s...\n"} +
              CurrentHwids(L"RemoveDeviceNode", {PciDisplay, OurHardwareId}) +
              Lines{L"IDDDeviceInfoSet::RemoveDeviceNode Found an instance = " +
                        std::wstring(OurHardwareId) + L" 1\n",
                    L"IDDDeviceInfoSet::RemoveDeviceNode No more items\n", UninstallNodesRemoved,
                    OemInfMatched(infs + L"\\oem1.inf"),
                    L"IDDDeviceInfoSet::RemoveDriverOemInf Removing oem1.inf\n",
                    OemInfDidNotMatch(infs + L"\\oem2.inf"), UninstallPackagesRemoved} +
              CleanupWithoutServiceOrKey() + Lines{UninstallFinished});
    EXPECT_TRUE(machine.deviceTree.devices[1].removed);
    EXPECT_FALSE(machine.deviceTree.devices[0].removed);
    EXPECT_FALSE(machine.HasFile(L"INF\\oem1.inf"));
    EXPECT_TRUE(machine.HasFile(L"INF\\oem2.inf"));
    EXPECT_EQ(seam::Calls().back().function, "SetupDiDestroyDeviceInfoList");
}

TEST_F(WorkflowTest, FailedNodeRemovalEndsUninstallBeforePackagesRescanAndCleanup) {
    seam::FailCall("SetupDiGetClassDevsW", 1,
                   reinterpret_cast<std::uintptr_t>(INVALID_HANDLE_VALUE), ERROR_ACCESS_DENIED);
    EXPECT_EQ(IDDSetupActions().Uninstall(), ERROR_ACCESS_DENIED);
    ExpectLog({UninstallBegin, Configuration(),
               L"IDDDeviceInfoSet::RemoveDeviceNode SetupDiGetClassDevs failed 5\n",
               L"IDDSetupActions::Uninstall DeviceInfoSet.RemoveDeviceNode failed 5\n"});
    EXPECT_EQ(seam::CountOf("GetWindowsDirectoryW") + seam::CountOf("CM_Locate_DevNodeW") +
                  seam::CountOf("OpenSCManagerW") + seam::CountOf("SetupDiDestroyDeviceInfoList"),
              0u);
}

// Nodes removed before the package removal failed stay removed.
TEST_F(WorkflowTest, FailedPackageRemovalEndsUninstallBeforeRescanAndCleanup) {
    machine.deviceTree.devices = {{{OurHardwareId}}};
    EXPECT_EQ(IDDSetupActions().Uninstall(), ERROR_FILE_NOT_FOUND); // no OEM INF at all
    const Lines lines = DebuggerLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2],
              L"IDDDriverSetup: IDDDeviceInfoSet::RemoveDriverOemInf FindFirstFileW failed 2\n\n");
    EXPECT_EQ(lines.back(), L"IDDDriverSetup: IDDSetupActions::Uninstall "
                            L"DeviceInfoSet.RemoveDeviceOemInf failed 2\n\n");
    EXPECT_TRUE(machine.deviceTree.devices[0].removed);
    EXPECT_EQ(seam::CountOf("CM_Locate_DevNodeW") + seam::CountOf("OpenSCManagerW"), 0u);
}

} // namespace
} // namespace setuptest
