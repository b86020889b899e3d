// The action word is found by a plain, case-sensitive search of the command-line text.
#include "ExpectedLog.h"
#include "SetupScenario.h"
#include "support/SystemState.h"

namespace {

class Arguments : public SetupScenario {};

TEST_F(Arguments, WrongOrMissingWordLeavesTheSystemAlone) {
    ReportWindows(L"10.0", L"19041");
    Prepare({});
    const std::wstring before = Describe(CaptureSystemState());

    for (const wchar_t* actionText : {L"", L"REMOVE"}) { // the entry's table has the others
        SCOPED_TRACE(testing::PrintToString(std::wstring(actionText)));
        DeleteLog();
        EXPECT_EQ(0u, RunSetup(actionText));
        EXPECT_EQ(FileBytes(MaskedBanner() + Lines{WrongAction}), Log());
    }
    EXPECT_EQ(before, Describe(CaptureSystemState()));
}

} // namespace
