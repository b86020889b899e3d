// The Windows version checks of the shipping program, each version chosen through the
// registry of its own prefix.
#include "ExpectedLog.h"
#include "SetupScenario.h"
#include "support/SystemState.h"

namespace {

Lines Refusal(const Lines& dispatch, const std::wstring& workflow, const std::wstring& reason,
              const wchar_t* outcome) {
    return MaskedBanner() + dispatch +
           Lines{L"IDDSetupActions::" + workflow + L" Begin " + workflow + L" Process...\n",
                 L"IDDSetupActions::" + workflow + L" failed! " + reason + L"\n", outcome};
}

class Versions : public SetupScenario {
protected:
    // Runs both actions on a prepared system of this version; each must log its refusal and
    // leave the system as it was.
    void ExpectBothActionsRefused(const std::wstring& reason, const wchar_t* outcome) const {
        const std::wstring before = Describe(CaptureSystemState());

        EXPECT_EQ(0u, RunSetup(L"install"));
        EXPECT_EQ(0u, RunSetup(L"remove"));

        EXPECT_EQ(FileBytes(Refusal(Installing(), L"Install", reason, outcome) +
                            Refusal(Removing(), L"Uninstall", reason, outcome)),
                  Log());
        EXPECT_EQ(before, Describe(CaptureSystemState()));
    }
};

// Before Windows 10 both actions do nothing and count as successful.
TEST_F(Versions, Windows81DoesNothingAndSucceeds) {
    ReportWindows(L"6.3", L"9600");
    Prepare({});
    ExpectBothActionsRefused(L"Windows version not supported.", SetupSuccess);
}

// Windows 10 before build 14393 is refused with 50; install also shows its message box,
// which returns at once under Wine without a display. The exit code stays 0.
TEST_F(Versions, Windows10Build10586IsRefused) {
    ReportWindows(L"10.0", L"10586");
    Prepare({});
    ExpectBothActionsRefused(L"Windows 10 version not supported", SetupFailed);
}

TEST_F(Versions, Windows10Build14393Passes) {
    ReportWindows(L"10.0", L"14393");

    EXPECT_EQ(0u, RunSetup(L"install"));

    EXPECT_EQ(FileBytes(InstallWithoutDevice()), Log());
}

} // namespace
