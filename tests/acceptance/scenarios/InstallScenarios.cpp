// The install workflow of the shipping program on Windows 10 prefixes.
#include "ExpectedLog.h"
#include "SetupScenario.h"
#include "KitFacts.h"
#include "support/SystemState.h"

namespace {

class Install : public SetupScenario {};

// On Windows a run registers the device node; Wine's listing of unregistered elements
// makes the program find its own element instead (the registration itself is proven at
// the seam). Either way the log says success and no node appears. "install" wins wherever
// it stands in the action text (the entry's table has the other forms).
TEST_F(Install, OnWindows10WithoutTheDevice) {
    ReportWindows(L"10.0", L"19041");
    EXPECT_EQ(0u, RunSetup(L"remove install"));
    EXPECT_EQ(FileBytes(InstallWithoutDevice()), Log());
    const SystemState after = CaptureSystemState();
    EXPECT_TRUE(after.rootDisplayDevices.empty()) << Describe(after);
    EXPECT_TRUE(after.stagedInfs.empty()) << Describe(after);
}

// The node that a first installation registered is recognised, twice in a row, past
// nodes whose ids only resemble it; nothing new is registered.
TEST_F(Install, AgainWithTheDevicePresent) {
    ReportWindows(L"10.0", L"19041");
    for (const std::vector<std::wstring>& ids : prep::LookalikeDevices) {
        RegisterDevice(ids);
    }
    RegisterDevice({kit::HardwareId});
    const std::wstring before = Describe(CaptureSystemState());

    EXPECT_EQ(0u, RunSetup(L"install"));
    EXPECT_EQ(0u, RunSetup(L"install"));

    const Lines run = InstallRun({WineDisplayAdapter, prep::LookalikeDevices[0][0],
                                  prep::LookalikeDevices[1][0], kit::HardwareId});
    EXPECT_EQ(FileBytes(run + run), Log());
    EXPECT_EQ(before, Describe(CaptureSystemState()));
}

} // namespace
