// Fault sweep of both workflows: a clean run on the prepared system records its platform
// calls, then the whole program runs once more for every call position, with that call
// failing, and each run is held to what the fault table says of that failure.
#include "FaultRules.h"
#include "HandleLedger.h"
#include "PreparedSystem.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>

namespace sweep {
namespace {

const SYSTEMTIME RunTime = {2024, 9, 4, 5, 9, 5, 3, 7};
const wchar_t CallLinePrefix[] = L"Call: 9/5/2024 9:5:3 Build: ";

class FaultSweep : public setuptest::MachineTest {
protected:
    void StartOver() override {
        MachineTest::StartOver();
        system.Prepare();
        SEAM_OVERRIDE(GetLocalTime, [](LPSYSTEMTIME now) { *now = RunTime; });
    }

    int Run(const wchar_t* action) {
        std::wstring commandLine = action;
        return wWinMain(nullptr, nullptr, commandLine.data(), SW_SHOWNORMAL);
    }

    // The banner as the clean run wrote it, once its fixed part is seen to be right:
    // the build stamp is the program's own.
    static Lines RunBanner() {
        const std::vector<std::wstring> lines = setuptest::DebuggerLines();
        const std::wstring prefix = L"IDDDriverSetup: " + std::wstring(CallLinePrefix);
        if (lines.size() < 2 || lines[1].compare(0, prefix.size(), prefix) != 0) {
            ADD_FAILURE() << "no banner";
            return Banner(CallLinePrefix);
        }
        const std::wstring& line = lines[1];
        return Banner(line.substr(16, line.size() - 17)); // less the prefix and one line feed
    }

    void ExpectRun(const Expectation& expected, std::size_t failedCall) {
        ExpectLog(expected.FileLines(), expected.log);
        EXPECT_EQ(system.State(), expected.state);
        EXPECT_EQ(machine.deviceTree.OpenSets(), 0u);

        const std::vector<seam::Call> calls = seam::Calls();
        ExpectEveryHandleReleased(calls);
        for (std::size_t i = 0; i < calls.size(); ++i) {
            const std::string& function = calls[i].function;
            if (function == "DiInstallDriverW") {
                EXPECT_EQ(calls[i].args.at(1), L"\"" + expected.infPath + L"\"");
            } else if (function == "InstallHinfSectionW") {
                EXPECT_EQ(calls[i].args.at(2),
                          L"\"DefaultUninstall 128 " + expected.infPath + L"\"");
            }
            if (i <= failedCall) { // no failure: npos
                continue;
            }
            const auto& skipped = expected.notCalledAfter;
            EXPECT_EQ(std::find(skipped.begin(), skipped.end(), function), skipped.end())
                << function << " after the failure";
            const auto& may = expected.mayFollowStop;
            EXPECT_TRUE(!expected.stops || IsLogOrRelease(function) ||
                        std::find(may.begin(), may.end(), function) != may.end())
                << function << " after the workflow ended";
        }
    }

    // Returns the number of call positions swept.
    std::size_t Sweep(Workflow workflow, const wchar_t* action,
                      const std::function<Lines(const Lines& banner)>& cleanLog,
                      const SystemState& cleanState) {
        EXPECT_EQ(Run(action), 0);
        const std::vector<seam::Call> clean = seam::Calls();
        const Lines expectedLog = cleanLog(RunBanner());
        ExpectRun(Expectation(expectedLog, 0, cleanState, cleanState, system.InfPath()),
                  std::string::npos);
        if (HasFailure()) {
            return 0; // every faulty run is measured against this one
        }

        std::size_t swept = 0;
        std::size_t messages = 0;
        std::map<std::string, unsigned> seen;
        for (std::size_t position = 0; position < clean.size(); ++position) {
            const seam::Call& call = clean[position];
            const unsigned nth = ++seen[call.function];
            const std::size_t messagesBefore = messages;
            messages += call.function == "OutputDebugStringW" ? 1 : 0;
            if (!IsSwept(call.function)) {
                continue;
            }
            const FaultSite site{call, nth};
            const FaultRule* rule = FindRule(workflow, site);
            if (!rule) {
                ADD_FAILURE() << "the fault table has no rule for " << call.function << " #" << nth;
                continue;
            }
            SCOPED_TRACE(testing::Message() << "call " << position << ": " << call.function << " #"
                                            << nth << " fails");
            Expectation expected(expectedLog, messagesBefore, cleanState,
                                 system.StateBefore(clean, position), system.InfPath());
            rule->expect(site, expected);

            StartOver();
            seam::FailCall(call.function, nth, rule->result, rule->lastError);
            EXPECT_EQ(Run(action), 0);
            ExpectRun(expected, position);
            ++swept;
        }
        return swept;
    }

    void Report(const char* workflow, std::size_t swept) {
        std::printf("fault sweep: %s, %zu call positions swept\n", workflow, swept);
        RecordProperty("positions_swept", static_cast<int>(swept));
    }

    PreparedSystem system{machine};
};

TEST_F(FaultSweep, Install) {
    const std::wstring infPath = system.InfPath();
    const std::size_t swept = Sweep(
        Workflow::Install, L"install",
        [&](const Lines& banner) { return CleanInstall(banner, infPath); },
        PreparedSystem::PreparedState());
    Report("install", swept);
}

TEST_F(FaultSweep, Remove) {
    const std::wstring infPath = system.InfPath();
    const std::wstring infDirectory = machine.InfDirectory();
    SystemState removed;
    removed.stagedInfs = {L"oem2.inf"};
    const std::size_t swept = Sweep(
        Workflow::Remove, L"remove",
        [&](const Lines& banner) { return CleanRemove(banner, infPath, infDirectory); }, removed);
    Report("remove", swept);
}

} // namespace
} // namespace sweep
