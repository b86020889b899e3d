// The Windows version checks of the shipping program, the version chosen through the
// registry before each run.
#include "ExpectedLog.h"
#include "SetupScenario.h"
#include "support/SystemState.h"

namespace {

class Versions : public SetupScenario {};

// Before Windows 10 both actions do nothing and count as successful. Windows 10 before
// build 14393 is refused with 50; install also shows its message box, which returns at once
// under Wine without a display. The exit code stays 0, and the system stays as it was.
TEST_F(Versions, BeforeWindows10OrBuild14393BothActionsAreRefused) {
    Prepare({});
    const std::wstring before = Describe(CaptureSystemState());
    const struct {
        const wchar_t* version;
        const wchar_t* build;
        Lines install;
        Lines remove;
    } cases[] = {
        {L"6.3", L"9600", InstallBeforeWindows10Run(), UninstallBeforeWindows10Run()},
        {L"10.0", L"10586",
         Installing() + Lines{InstallBegin, InstallBeforeBuild14393, SetupFailed},
         Removing() + Lines{UninstallBegin, UninstallBeforeBuild14393, SetupFailed}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.build)));
        ReportWindows(c.version, c.build);
        DeleteLog();

        EXPECT_EQ(0u, RunSetup(L"install"));
        EXPECT_EQ(0u, RunSetup(L"remove"));

        EXPECT_EQ(FileBytes(MaskedBanner() + c.install + MaskedBanner() + c.remove), Log());
        EXPECT_EQ(before, Describe(CaptureSystemState()));
    }
}

TEST_F(Versions, Windows10Build14393Passes) {
    ReportWindows(L"10.0", L"14393");

    EXPECT_EQ(0u, RunSetup(L"install"));

    EXPECT_EQ(FileBytes(InstallWithoutDevice()), Log());
}

} // namespace
