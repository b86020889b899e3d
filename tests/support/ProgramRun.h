// Runs the setup program's entry in the test process, on a clock that reads a fixed time,
// and reads its banner back.
#pragma once

#include <windows.h>

#include <string>

namespace testsupport {

// 9/5/2024 9:05:03.007, the time the banner then shows as "9/5/2024 9:5:3".
extern const SYSTEMTIME RunTime;

// wWinMain with this command line (less the program name), GetLocalTime reading `now`.
int RunProgram(const wchar_t* commandLine, const SYSTEMTIME& now = RunTime);

// The banner's second line as the last run wrote it: "Call: " `numbers` " Build: " and the
// build stamp, once that stamp is seen to have the compiler's form ("Oct  1 2019 11:03:38").
std::wstring CallLine(const std::wstring& numbers = L"9/5/2024 9:5:3");

} // namespace testsupport
