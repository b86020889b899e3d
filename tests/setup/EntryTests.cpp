// The entry point: banner, dispatch on the command-line text, outcome line, exit code.
#include "FakeWindows.h"
#include "Messages.h"

#include "Seam.h"

#include <regex>

namespace setuptest {
namespace {

const wchar_t Rule[] = L"\n====================================================\n";

class EntryTest : public MachineTest {
protected:
    EntryTest() {
        machine.version = {6, 3, 0, 9600}; // the actions end at their first check
    }
    void StartOver() override {
        MachineTest::StartOver();
        SEAM_OVERRIDE(GetLocalTime, [this](LPSYSTEMTIME time) { *time = now; });
    }

    int Run(const wchar_t* commandLine) {
        std::wstring text = commandLine;
        return wWinMain(nullptr, nullptr, text.data(), SW_SHOWNORMAL);
    }

    // The banner's second line, with the build date and time that the run printed,
    // once they are seen to have the compiler's form ("Oct  1 2019 11:03:38").
    static std::wstring CallLine(const std::wstring& numbers) {
        static const std::wregex stamp(
            L"IDDDriverSetup: Call: [0-9/: ]+ Build: ((Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|"
            L"Nov|Dec) [ 123][0-9] [0-9]{4} [0-2][0-9]:[0-5][0-9]:[0-5][0-9])\n\n");
        const std::vector<std::wstring> lines = DebuggerLines();
        std::wsmatch match;
        EXPECT_TRUE(lines.size() > 1 && std::regex_match(lines[1], match, stamp));
        return L"Call: " + numbers + L" Build: " + (match.empty() ? L"?" : match[1].str()) + L"\n";
    }

    SYSTEMTIME now{2024, 9, 4, 5, 9, 5, 3, 7};
};

TEST_F(EntryTest, BannerNumbersHaveNoLeadingZeros) {
    EXPECT_EQ(Run(L""), 0);
    const std::wstring wrongAction =
        L"DriverSetup _tmain: Wrong action arguments \"install\" or \"remove\" \n";
    ExpectLog({Rule, CallLine(L"9/5/2024 9:5:3"), wrongAction});

    StartOver();
    now = {2025, 12, 3, 31, 23, 59, 58, 999};
    Run(L"");
    ExpectLog({Rule, CallLine(L"12/31/2025 23:59:58"), wrongAction});
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
        EXPECT_EQ(Run(c.commandLine), 0);

        Lines expected = {Rule, CallLine(L"9/5/2024 9:5:3")};
        switch (c.action) {
        case Action::None:
            expected.push_back(
                L"DriverSetup _tmain: Wrong action arguments \"install\" or \"remove\" \n");
            break;
        case Action::Install:
            expected = expected + Lines{L"DriverSetup _tmain: Installing device and driver...\n",
                                        L"DriverSetup _tmain: Uninstall previous device and "
                                        L"driver first...\n",
                                        InstallBegin, InstallBeforeWindows10,
                                        L"DriverSetup _tmain: Setup Success!\n"};
            break;
        case Action::Uninstall:
            expected = expected + Lines{L"DriverSetup _tmain: Removing device and driver...\n",
                                        UninstallBegin, UninstallBeforeWindows10,
                                        L"DriverSetup _tmain: Setup Success!\n"};
            break;
        }
        SCOPED_TRACE(testing::Message() << L"command line [" << c.commandLine << L"]");
        ExpectLog(expected);
    }
}

TEST_F(EntryTest, FailedActionEndsWithTheFailureLineAndStillExitsWithZero) {
    machine.version = {10, 0, 0, 10586};
    EXPECT_EQ(Run(L"install"), 0);
    ExpectLog({Rule, CallLine(L"9/5/2024 9:5:3"),
               L"DriverSetup _tmain: Installing device and driver...\n",
               L"DriverSetup _tmain: Uninstall previous device and driver first...\n", InstallBegin,
               L"IDDSetupActions::Install failed! Windows 10 version not supported\n",
               L"DriverSetup _tmain:Exit Setup Failed\n"});
}

} // namespace
} // namespace setuptest
