#include "SetupTest.h"

#include "FlagWords.h"
#include "HandleLedger.h"
#include "Seam.h"

#include <cstdio>
#include <cwchar>
#include <algorithm>
#include <fstream>

namespace setuptest {

// The fixture writes the file through the C runtime, whose own imports bypass the seam, so
// that writing it leaves no trace in the call record (ReadLogFile reads it the same way).
void WriteLogFile(const std::string& bytes) {
    std::ofstream file(kit::LogPathBytes, std::ios::binary | std::ios::trunc);
    file << bytes;
}

std::vector<std::wstring> DebuggerLines() {
    std::vector<std::wstring> lines;
    for (const std::wstring& text : seam::ArgumentOf("OutputDebugStringW", 0)) {
        lines.push_back(seam::Unquoted(text));
    }
    return lines;
}

const wchar_t DebuggerPrefix[] = L"IDDDriverSetup: ";

std::wstring DebuggerLine(const std::wstring& message) {
    return DebuggerPrefix + message + L"\n";
}

std::vector<std::wstring> DebuggerMessages() {
    const std::size_t prefix = std::wcslen(DebuggerPrefix);
    std::vector<std::wstring> messages;
    for (const std::wstring& line : DebuggerLines()) {
        messages.push_back(line.substr(prefix, line.size() - prefix - 1));
    }
    return messages;
}

std::vector<std::string> CallsAmong(const std::vector<std::string>& functions) {
    std::vector<std::string> names;
    for (const seam::Call& call : seam::Calls()) {
        if (std::find(functions.begin(), functions.end(), call.function) != functions.end()) {
            names.push_back(call.function);
        }
    }
    return names;
}

void Script(const ScriptedFailure& failure) {
    if (failure.function) {
        seam::FailCall(failure.function, failure.nth, failure.result, failure.error);
    }
}

// What every case leaves is checked before the next one starts and at the test's end.
void SetupTest::CheckAndReset() {
    CheckFlagWordsOfLoggedMessages();
    testsupport::ExpectEveryHandleReleased(seam::Calls());
    seam::Reset();
}

void SetupTest::StartOver() {
    CheckAndReset();
    std::remove(kit::LogPathBytes);
}

void SetupTest::TearDown() {
    CheckAndReset();
}

void SetupTest::ExpectLog(const std::vector<std::wstring>& messages) {
    EXPECT_EQ(ReadLogFile(), FileBytes(messages));
    std::vector<std::wstring> expected;
    for (const std::wstring& message : messages) {
        expected.push_back(DebuggerLine(message));
    }
    EXPECT_EQ(DebuggerLines(), expected);
}

} // namespace setuptest
