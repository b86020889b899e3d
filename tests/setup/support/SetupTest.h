// Base fixture of the setup program's tests: every test starts with no log file and a
// clean seam, and reads back what the program wrote to both log sinks.
#pragma once

#include "KitFacts.h"
#include "LogTexts.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace setuptest {

using namespace logtext;

void WriteLogFile(const std::string& bytes);

// The texts the program passed to OutputDebugStringW, in order.
std::vector<std::wstring> DebuggerLines();

// A message as the debugger gets it: behind the prefix, with one more line feed.
std::wstring DebuggerLine(const std::wstring& message);
// The messages of DebuggerLines(), without that prefix and line feed.
std::vector<std::wstring> DebuggerMessages();

// The names of the recorded calls to any of `functions`, in the order they were made.
std::vector<std::string> CallsAmong(const std::vector<std::string>& functions);

// The failure that a table case scripts: the `nth` call of `function` returns `result`
// with `error` as the last-error code. A case without a function scripts nothing.
struct ScriptedFailure {
    const char* function;
    unsigned nth;
    std::uintptr_t result;
    DWORD error;
};
void Script(const ScriptedFailure& failure);

// Names each row of a failure table (a parameterised suite) after its `name` field.
struct CaseName {
    template <typename Case>
    std::string operator()(const testing::TestParamInfo<Case>& tested) const {
        return tested.param.name;
    }
};

class SetupTest : public ::testing::Test {
protected:
    void SetUp() override { StartOver(); }
    void TearDown() override; // checks that every handle opened was released

    // Forgets the log file and the seam's record, scripts and overrides, for a test that
    // runs several cases.
    virtual void StartOver();

    // The whole log file holds exactly these messages, in this order, and each of them
    // also went to the debugger, behind the prefix and with one more line feed.
    static void ExpectLog(const std::vector<std::wstring>& messages);

private:
    static void CheckAndReset();
};

} // namespace setuptest
