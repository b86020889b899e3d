// What one run of the sweep must show at the level of the whole program: the outcome
// line, the system the run leaves, the INF path it hands on, the calls it must not make
// after the failure, and whether a log sink's failure cost a message its file copy. It
// starts as the clean run's and is edited by the rule of the call that fails. The exact
// texts of each failure are the per-function tables' (tests/setup).
#pragma once

#include "LogTexts.h"
#include "PreparedSystem.h"

#include <string>
#include <utility>
#include <vector>

namespace sweep {

class Expectation {
public:
    Expectation(SystemState cleanState, SystemState stateAtFailureCall, std::wstring cleanInfPath)
        : state(std::move(cleanState)), infPath(std::move(cleanInfPath)),
          stateAtFailure(std::move(stateAtFailureCall)) {}

    // The workflow ends at the failure, with the entry's failure line (or, for a refusal
    // that counts as success, its success line). Nothing happens after it but logging and
    // releases, so the system stays as the failure found it.
    void Stop() {
        StopSucceeding();
        outcome = logtext::SetupFailed;
    }
    void StopSucceeding() {
        state = stateAtFailure;
        stops = true;
    }
    // A later step fails in consequence: the run ends with the entry's failure line.
    void FailLater() { outcome = logtext::SetupFailed; }
    // The message being written when the call failed is missing from the file only; the
    // debugger output is the clean run's.
    void LoseFileCopy() { lostFileCopy = keepsCleanLog = true; }
    // The failure changes nothing the log shows.
    void KeepCleanLog() { keepsCleanLog = true; }

    SystemState state;
    std::wstring infPath;
    const wchar_t* outcome = logtext::SetupSuccess;
    bool stops = false;
    bool keepsCleanLog = false;
    bool lostFileCopy = false;
    std::vector<std::string> mayFollowStop; // beyond logging and releases
    std::vector<std::string> notCalledAfter;

private:
    SystemState stateAtFailure;
};

} // namespace sweep
