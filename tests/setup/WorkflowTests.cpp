// The install and uninstall workflows: version checks, the order of the install's steps
// on a machine without our node, and the line that a failed step ends either with. Both
// clean runs on an installed machine, and what each failure leaves, are the fault
// sweep's (tests/stress).
#include "FakeWindows.h"

#include "Seam.h"
#include "actions/IDDSetupActions.h"

namespace setuptest {
namespace {

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
        // clang-format off
        {{10, 0, 0, 10586}, true, {InstallBegin, InstallBeforeBuild14393}, 50},
        {{10, 0, 0, 14392}, false, {UninstallBegin, UninstallBeforeBuild14393}, 50},
        {{10, 0, 0, 14393}, true, {InstallBegin, L"IDDSetupActions::Install failed! 32-bit setup not supported on 64-bit Windows, use TalvorenSetup64.exe\n"}, inWow64, true},
        {{10, 0, 0, 22631}, false, {UninstallBegin, L"IDDSetupActions::Uninstall failed! 32-bit setup not supported on 64-bit Windows, use TalvorenSetup64.exe\n"}, inWow64, true},
        {{6, 3, 0, 9600}, false, {UninstallBegin, UninstallBeforeWindows10}, 0, true},
        // clang-format on
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

// On the first supported build; the refusal rows above hold the later builds to the same checks.
TEST_F(WorkflowTest, InstallCreatesTheNodeInstallsTheDriverAndRescans) {
    machine.version = {10, 0, 0, 14393};
    machine.deviceTree.devices = {{{PciDisplay}}};
    EXPECT_EQ(IDDSetupActions().Install(), 0);

    ExpectLog(Lines{InstallBegin, Configuration()} + CreateNodeUntilDetection({PciDisplay}) +
              Lines{RegisterSuccess, InstallNodeCreated, DriverInstalled, InstallFinished});
    ASSERT_EQ(machine.deviceTree.devices.size(), 2u);
    EXPECT_EQ(machine.deviceTree.devices[1].hardwareIds, Lines{kit::HardwareId});
    EXPECT_EQ(seam::CallsTo("DiInstallDriverW").at(0).args,
              (std::vector<std::wstring>{L"null", L"\"" + std::wstring(DefaultInfPath) + L"\"",
                                         L"0", L"null"}));
}

// The workflow goes on as on 32-bit Windows (the fault sweep shows it for both).
TEST_F(WorkflowTest, FailedWow64QueryIsOnlyLogged) {
    seam::FailCall("IsWow64Process", 1, FALSE, ERROR_ACCESS_DENIED);
    EXPECT_EQ(IDDSetupActions().Install(), 0);
    EXPECT_EQ(DebuggerLines().at(1),
              DebuggerLine(L"IDDSetupActions::Install IsWow64Process failed 5\n"));
}

// A failed step's code ends the workflow with the workflow's own line; the steps after
// it and the outcome are the fault sweep's to check (tests/stress).
struct WorkflowCase {
    const char* name;
    bool install;
    ScriptedFailure scripted;
    const wchar_t* line; // the workflow's last line
    INT result;
};

using WorkflowFailureTest = FailureTable<WorkflowCase>;

TEST_P(WorkflowFailureTest, EndsWithTheWorkflowsLineAndTheStepsCode) {
    const WorkflowCase& c = GetParam();
    Script(c.scripted);
    IDDSetupActions actions;
    EXPECT_EQ(c.install ? actions.Install() : actions.Uninstall(), c.result);
    EXPECT_EQ(DebuggerLines().back(), DebuggerLine(c.line));
}

using seam::InvalidHandle;

// clang-format off
INSTANTIATE_TEST_SUITE_P(Workflow, WorkflowFailureTest, testing::Values(
    WorkflowCase{"NodeNotCreated", true, {"SetupDiCreateDeviceInfoList", 1, InvalidHandle, 0xE000020B}, L"IDDSetupActions::Install DeviceInfoSet.CreateDeviceNode failed -536870389\n", static_cast<INT>(0xE000020B)},
    WorkflowCase{"DriverNotInstalled", true, {"DiInstallDriverW", 1, FALSE, ERROR_FILE_NOT_FOUND}, L"IDDSetupActions::Install DiInstallDriver failed 2\n", ERROR_FILE_NOT_FOUND},
    WorkflowCase{"NodesNotRemoved", false, {"SetupDiGetClassDevsW", 1, InvalidHandle, ERROR_ACCESS_DENIED}, L"IDDSetupActions::Uninstall DeviceInfoSet.RemoveDeviceNode failed 5\n", ERROR_ACCESS_DENIED}),
    CaseName());
// clang-format on

} // namespace
} // namespace setuptest
