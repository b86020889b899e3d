// What the uninstall workflow removes last: the service, the package's uninstall
// section, the framework's service key and the driver files. The service control
// manager and the registry are the platform's own.
#include "FakeWindows.h"

#include "Seam.h"
#include "actions/IDDSetupActions.h"
#include "utilities/IDDUtilities.h"

#include <functional>

namespace setuptest {
namespace {

using kit::ServiceName;

// Runs `use` on the service, opened through the platform's own calls so that the
// record does not see it; false when there is no service.
bool WithService(DWORD access, const std::function<void(SC_HANDLE)>& use) {
    SC_HANDLE manager = SEAM_REAL(OpenSCManagerW)(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = SEAM_REAL(OpenServiceW)(manager, ServiceName, access);
    if (service) {
        use(service);
        SEAM_REAL(CloseServiceHandle)(service);
    }
    SEAM_REAL(CloseServiceHandle)(manager);
    return service != nullptr;
}

bool ServiceExists() {
    return WithService(SERVICE_QUERY_STATUS, [](SC_HANDLE) {});
}

void RemoveService() {
    WithService(DELETE, [](SC_HANDLE service) { SEAM_REAL(DeleteService)(service); });
}

// A service as the package installs it, stopped.
void CreateService() {
    SC_HANDLE manager = SEAM_REAL(OpenSCManagerW)(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    SC_HANDLE service = CreateServiceW(manager, ServiceName, ServiceName, SERVICE_ALL_ACCESS,
                                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                       SERVICE_ERROR_IGNORE, L"C:\\windows\\system32\\notepad.exe",
                                       nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_NE(service, nullptr) << GetLastError();
    SEAM_REAL(CloseServiceHandle)(service);
    SEAM_REAL(CloseServiceHandle)(manager);
}

class ResidueCleanupTest : public MachineTest {
protected:
    // The tests share one system: each starts without the service and its key.
    void StartOver() override {
        MachineTest::StartOver();
        RemoveService();
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kit::FrameworkServiceKey);
    }

    // Runs the whole uninstall on a machine holding nothing else of ours, and checks the
    // lines of the cleanup within it.
    void Uninstall(const Lines& cleanup) {
        machine.WriteFile(L"INF\\oem1.inf", OemInf("Net", nullptr));
        EXPECT_EQ(IDDSetupActions().Uninstall(), 0);
        ExpectLog(UninstallFindingNothing(machine.InfDirectory(), cleanup));
    }
};

// Each helper logs its own failure, and the delete runs whatever the stop did. A stopped
// service fails to stop with its state.
TEST_F(ResidueCleanupTest, ServiceHelpersLogTheirStepsAndTheDeleteRunsAfterAnyStop) {
    const std::wstring NoManager =
        L"IDDUtilities::PrivateServiceHandleGet  OpenSCManager failed 5\n";
    const std::wstring NoService = L"IDDUtilities::PrivateServiceHandleGet  OpenService failed 5\n";
    const struct {
        ScriptedFailure scripted;
        Lines lines;
        bool remains;
    } cases[] = {
        // clang-format off
        {{"OpenSCManagerW", 1, 0, ERROR_ACCESS_DENIED}, {ServiceStopEntry, NoManager, ServiceDeleted}, false},
        {{"OpenServiceW", 1, 0, ERROR_ACCESS_DENIED}, {ServiceStopEntry, NoService, ServiceDeleted}, false},
        // The record is not filled on this failure: its state reads 0, which no service has.
        {{"ControlService", 1, FALSE, ERROR_ACCESS_DENIED}, {ServiceStopEntry, L"IDDUtilities::ServiceStop ControlService failed 5 Status:0\n", ServiceDeleted}, false},
        {{"OpenSCManagerW", 2, 0, ERROR_ACCESS_DENIED}, {ServiceStopEntry, ServiceNotRunning, NoManager}, true},
        {{"OpenServiceW", 2, 0, ERROR_ACCESS_DENIED}, {ServiceStopEntry, ServiceNotRunning, NoService}, true},
        {{"DeleteService", 1, FALSE, ERROR_SERVICE_MARKED_FOR_DELETE}, {ServiceStopEntry, ServiceNotRunning, L"IDDUtilities::ServiceDelete  DeleteService failed 1072\n"}, true},
        // clang-format on
    };
    for (const auto& c : cases) {
        StartOver();
        CreateService();
        Script(c.scripted);
        IDDUtilities::ServiceStop(ServiceName);
        IDDUtilities::ServiceDelete(ServiceName);
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        ExpectLog(c.lines);
        EXPECT_EQ(ServiceExists(), c.remains);
    }
}

TEST_F(ResidueCleanupTest, RemovesServiceSectionKeyAndFilesInThisOrder) {
    CreateService();
    machine.WriteResidue();

    Uninstall(CleanupOfService(false));
    EXPECT_FALSE(ServiceExists());
    EXPECT_FALSE(FrameworkKeyExists());
    for (const std::wstring& file : DriverFiles()) {
        EXPECT_FALSE(machine.HasFile(file));
    }

    // The stop asks for every right on the service, the delete for DELETE alone.
    EXPECT_EQ(seam::CallsTo("OpenSCManagerW").at(0).args,
              (std::vector<std::wstring>{L"null", L"null", L"983103"}));
    EXPECT_EQ(seam::ArgumentOf("OpenServiceW", 2),
              (std::vector<std::wstring>{L"983551", L"65536"}));
    EXPECT_EQ(seam::CallsTo("ControlService").at(0).args.at(1), L"1"); // SERVICE_CONTROL_STOP
    // The uninstall section runs hidden (its command line is the sweep's), before the key goes.
    EXPECT_EQ(seam::CallsTo("InstallHinfSectionW").at(0).args.at(3), L"0");
    EXPECT_EQ(CallsAmong({"ControlService", "DeleteService", "InstallHinfSectionW", "SHDeleteKeyW",
                          "GetSystemDirectoryW", "DeleteFileW"}),
              (std::vector<std::string>{"ControlService", "DeleteService", "InstallHinfSectionW",
                                        "SHDeleteKeyW", "GetSystemDirectoryW", "DeleteFileW",
                                        "DeleteFileW", "DeleteFileW", "DeleteFileW"}));
}

// Without the system directory the driver paths would be relative to the current
// folder: no file is deleted then.
TEST_F(ResidueCleanupTest, SystemDirectoryThatCannotBeReadSkipsTheFileDeletions) {
    for (const std::function<void()>& script : std::vector<std::function<void()>>{
             [] { seam::FailCall("GetSystemDirectoryW", 1, 0, ERROR_ACCESS_DENIED); },
             [] { SEAM_OVERRIDE(GetSystemDirectoryW, [](LPWSTR, UINT) -> UINT { return 1025; }); },
             [] {
                 SEAM_OVERRIDE(GetSystemDirectoryW, [](LPWSTR, UINT size) -> UINT { return size; });
             },
         }) {
        StartOver();
        script();
        Uninstall(CleanupWithoutServiceOrKey());
        EXPECT_EQ(seam::CountOf("DeleteFileW"), 0u);
    }
}

} // namespace
} // namespace setuptest
