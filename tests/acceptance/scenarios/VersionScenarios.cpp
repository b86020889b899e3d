// The Windows version checks of the shipping program, the version chosen through the
// registry before each run.
#include "ExpectedLog.h"
#include "SetupScenario.h"
#include "support/SystemState.h"

namespace {

class Versions : public SetupScenario {};

// The versions as the platform reports them. Before Windows 10 an action does nothing and
// counts as successful; Windows 10 before build 14393 is refused with 50, and install shows
// its message box, which returns at once under Wine without a display. The exit code stays
// 0, and the system stays as it was. Both actions take the same checks (the workflow's table).
TEST_F(Versions, BeforeWindows10OrBuild14393BothActionsAreRefused) {
    Prepare({});
    const std::wstring before = Describe(CaptureSystemState());
    ReportWindows(L"6.3", L"9600");
    EXPECT_EQ(0u, RunSetup(L"remove"));
    ReportWindows(L"10.0", L"10586");
    EXPECT_EQ(0u, RunSetup(L"install"));

    EXPECT_EQ(FileBytes(MaskedBanner() + UninstallBeforeWindows10Run() + MaskedBanner() +
                        Installing() + Lines{InstallBegin, InstallBeforeBuild14393, SetupFailed}),
              Log());
    EXPECT_EQ(before, Describe(CaptureSystemState()));
}

TEST_F(Versions, Windows10Build14393Passes) {
    ReportWindows(L"10.0", L"14393");

    EXPECT_EQ(0u, RunSetup(L"install"));

    EXPECT_EQ(FileBytes(InstallWithoutDevice()), Log());
}

} // namespace
