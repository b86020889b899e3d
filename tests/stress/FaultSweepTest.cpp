// Fault sweep of both workflows: a clean run on the prepared system records its platform
// calls, then the whole program runs once more for every call position, with that call
// failing, and each run is held to what the fault table says of the whole program: exit
// code, outcome line, the system left, every handle released, nothing run after a stopping
// step, and a log sink's failure costing only the file copy.
#include "FaultRules.h"
#include "PreparedSystem.h"
#include "ProgramRun.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

namespace sweep {
namespace {

using namespace logtext;
using setuptest::PciDisplay;

class FaultSweep : public setuptest::MachineTest {
protected:
    void StartOver() override {
        MachineTest::StartOver();
        system.Prepare();
    }

    // Every message went to the debugger and, but for one lost copy, to the file.
    void ExpectLogSinks(const Lines& clean, std::size_t failedAt, const Expectation& expected) {
        const Lines messages = setuptest::DebuggerMessages();
        if (expected.keepsCleanLog) {
            EXPECT_EQ(messages, clean);
        } else {
            ASSERT_GT(messages.size(), failedAt);
            EXPECT_EQ(Lines(messages.begin(), messages.begin() + failedAt),
                      Lines(clean.begin(), clean.begin() + failedAt));
            EXPECT_EQ(messages.back(), expected.outcome);
        }
        Lines file = messages;
        if (expected.lostFileCopy) {
            file.erase(file.begin() + static_cast<std::ptrdiff_t>(failedAt));
        }
        EXPECT_EQ(setuptest::ReadLogFile(), FileBytes(file));
    }

    void ExpectRun(const Expectation& expected, std::size_t failedCall) {
        EXPECT_EQ(system.State(), expected.state);
        const std::vector<seam::Call> calls = seam::Calls();
        for (std::size_t i = 0; i < calls.size(); ++i) {
            const std::string& function = calls[i].function;
            if (function == "DiInstallDriverW") {
                EXPECT_EQ(calls[i].args.at(1), L"\"" + expected.infPath + L"\"");
            } else if (function == "InstallHinfSectionW") {
                EXPECT_EQ(calls[i].args.at(2),
                          L"\"DefaultUninstall 128 " + expected.infPath + L"\"");
            }
            if (i <= failedCall) {
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

    // The clean run, asserted once against the whole expected log; then every position.
    void Sweep(Workflow workflow, const wchar_t* action, const Lines& cleanRun,
               const SystemState& cleanState) {
        EXPECT_EQ(testsupport::RunProgram(action), 0);
        const std::vector<seam::Call> clean = seam::Calls();
        const Lines cleanLog = Banner(testsupport::CallLine()) + cleanRun;
        ExpectLog(cleanLog);
        ExpectRun(Expectation(cleanState, cleanState, system.InfPath()), clean.size());
        if (HasFailure()) {
            return; // every faulty run is measured against this one
        }

        std::size_t swept = 0;
        std::size_t messages = 0;
        std::map<std::string, unsigned> seen;
        std::set<const FaultRule*> used;
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
            used.insert(rule);
            SCOPED_TRACE(testing::Message() << "call " << position << ": " << call.function << " #"
                                            << nth << " fails");
            Expectation expected(cleanState, system.StateBefore(clean, position), system.InfPath());
            rule->expect(site, expected);
            expected.notCalledAfter = rule->notCalledAfter;

            StartOver();
            seam::FailCall(call.function, nth, rule->result, rule->lastError);
            EXPECT_EQ(testsupport::RunProgram(action), 0);
            ExpectLogSinks(cleanLog, messagesBefore, expected);
            ExpectRun(expected, position);
            ++swept;
        }
        // Every failable call of the clean run was swept: each rule of the table met its
        // call at least once, which also fails when the seam stops recording.
        for (const FaultRule& rule : FaultTable) {
            EXPECT_EQ(used.count(&rule), rule.workflows & workflow ? 1u : 0u)
                << "no call of the clean run for the rule of " << rule.function;
        }
        std::printf("fault sweep: %zu call positions swept\n", swept);
        RecordProperty("positions_swept", static_cast<int>(swept));
    }

    PreparedSystem system{machine};
};

TEST_F(FaultSweep, Install) {
    Sweep(Workflow::Install, L"install",
          InstallFindingOurNode(system.InfPath(), {PciDisplay, kit::HardwareId}, {}),
          PreparedSystem::PreparedState());
}

TEST_F(FaultSweep, Remove) {
    const std::wstring infs = machine.InfDirectory() + L"\\";
    SystemState removed;
    removed.stagedInfs = {L"oem2.inf"};
    Sweep(Workflow::Remove, L"remove",
          Removing() + Lines{UninstallBegin, Configuration(system.InfPath())} + RemoveNodeStart() +
              CurrentHwids(L"RemoveDeviceNode", {PciDisplay, kit::HardwareId}) +
              Lines{RemovalFound(1), NoMoreItems, UninstallNodesRemoved,
                    OemInfMatched(infs + L"oem1.inf"), OemInfRemoving(L"oem1.inf"),
                    OemInfDidNotMatch(infs + L"oem2.inf"), OemInfMatched(infs + L"oem3.inf"),
                    OemInfRemoving(L"oem3.inf"), UninstallPackagesRemoved} +
              CleanupOfService(true) + Lines{UninstallFinished, SetupSuccess},
          removed);
}

} // namespace
} // namespace sweep
