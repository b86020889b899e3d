// The entry point: banner, dispatch on the command-line text, outcome line, exit code.
#include "FakeWindows.h"

#include "ProgramRun.h"

namespace setuptest {
namespace {

class EntryTest : public MachineTest {
protected:
    EntryTest() {
        machine.version = {6, 3, 0, 9600}; // the actions end at their first check
    }
};

using testsupport::CallLine;
using testsupport::RunProgram;

// The default run time shows its numbers without leading zeros (the table below); these
// are the widest.
TEST_F(EntryTest, BannerNumbersHaveNoLeadingZeros) {
    RunProgram(L"", {2025, 12, 3, 31, 23, 59, 58, 999});
    ExpectLog(Banner(CallLine(L"12/31/2025 23:59:58")) + Lines{WrongAction});
}

enum class Action { None, Install, Uninstall };

TEST_F(EntryTest, ActionIsTheFirstWordFoundAnywhereInTheTextCaseSensitively) {
    const struct {
        const wchar_t* commandLine;
        Action action;
    } cases[] = {
        {L"", Action::None},
        {L"   ", Action::None},
        {L"help", Action::None},
        {L"INSTALL", Action::None},
        {L"Install", Action::None},
        {L"Remove", Action::None},
        {L"instal remov", Action::None},
        {L"install", Action::Install},
        {L"uninstall", Action::Install},
        {L"/install", Action::Install},
        {L"\"install\"", Action::Install},
        {L"reinstall", Action::Install},
        {L"remove install", Action::Install},
        {L"install remove", Action::Install},
        {L"remove", Action::Uninstall},
        {L"-remove", Action::Uninstall},
        {L"removeall", Action::Uninstall},
        {L"REMOVE remove", Action::Uninstall},
    };
    for (const auto& c : cases) {
        StartOver();
        EXPECT_EQ(RunProgram(c.commandLine), 0);
        const Lines runs[] = {
            {WrongAction}, InstallBeforeWindows10Run(), UninstallBeforeWindows10Run()};
        const Lines expected = Banner(CallLine()) + runs[static_cast<int>(c.action)];
        SCOPED_TRACE(testing::Message() << L"command line [" << c.commandLine << L"]");
        ExpectLog(expected);
    }
}

} // namespace
} // namespace setuptest
