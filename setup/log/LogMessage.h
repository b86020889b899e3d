// The setup program's diagnostic log: every message goes to the log file and, when its
// flag word asks for it, to the debugger output.
#pragma once

#include <windows.h>

#include <cstdarg>

constexpr DWORD LOG_ERROR = 0x1000;
constexpr DWORD LOG_INFO = 0x2000;
constexpr DWORD LOG_ACTIONS = 0x4000;
constexpr DWORD LOG_DEVICE = 0x10000;
constexpr DWORD LOG_DEBUGGER_MASK = 0x3F000;

// Formats one message (printf notation for wide strings: "%s" takes a wide string,
// "%S" an 8-bit one) and writes it to both sinks. Leaves the thread's last-error code
// as it found it, so a caller may log before it reads the code of a failed call.
void LogMessage(DWORD flags, const wchar_t* format, ...);
void LogMessageV(DWORD flags, const wchar_t* format, va_list args);

// The code reported for a failed platform call that set none, where no particular code
// fits (a path that did not fit its buffer is reported as ERROR_INSUFFICIENT_BUFFER):
// ERROR_GEN_FAILURE, which is what Windows makes of a plain STATUS_UNSUCCESSFUL.
constexpr DWORD FailedWithoutCode = ERROR_GEN_FAILURE;

// Logs the message of a failed platform call with LOG_ERROR, the thread's last-error
// code being the format's one "%d", and returns that code. For a call that may fail
// without setting a code, the caller clears the code before the call and names the code
// that stands for none, so that the failure never reads as 0, success.
DWORD LogLastError(const wchar_t* format, DWORD codeWhenNone = ERROR_SUCCESS);
