#include "LogMessage.h"
#include "LogFormat.h"

namespace {

// The path is fixed and absolute: it depends neither on the user nor on where the
// program lies.
const char LogFilePath[] = "C:\\Users\\Public\\TalvorenDisplaySetup.log";
const wchar_t DebuggerPrefix[] = L"IDDDriverSetup: ";
const char EndOfFileMark = 0x1A;

// The debugger copy of a message is limited to a buffer of this many UTF-16 units,
// terminator included: a longer message is cut to its first 4095 units there, while
// the file copy is written whole.
constexpr std::size_t MessageBufferUnits = 4096;

// Appends one message to the log file. The file is opened, written once and closed
// for every message, and opened for exclusive access so that two processes never
// interleave inside one message; the process that cannot open it loses its file copy.
// The text-mode conventions of an "a+" stream (CR LF line ends, a trailing Ctrl-Z
// dropped before appending) are applied here rather than left to a C runtime, since
// runtimes differ in the Ctrl-Z rule.
void AppendToLogFile(const std::string& bytes) {
    HANDLE file = CreateFileA(LogFilePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    // 64-bit moves: a 32-bit one fails once the file reaches 4 GiB and leaves the position
    // at the start, where the message would overwrite the oldest runs.
    LARGE_INTEGER lastByte;
    lastByte.QuadPart = -1;
    LARGE_INTEGER end;
    end.QuadPart = 0;
    char last = 0;
    DWORD read = 0;
    if (SetFilePointerEx(file, lastByte, nullptr, FILE_END) &&
        ReadFile(file, &last, 1, &read, nullptr) && read == 1 && last == EndOfFileMark) {
        SetFilePointerEx(file, lastByte, nullptr, FILE_END);
        SetEndOfFile(file);
    }
    SetFilePointerEx(file, end, nullptr, FILE_END);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

void SendToDebugger(const std::wstring& message) {
    std::wstring line = DebuggerPrefix;
    line.append(message, 0, MessageBufferUnits - 1);
    line += L'\n';
    OutputDebugStringW(line.c_str());
}

} // namespace

void LogMessageV(DWORD flags, const wchar_t* format, va_list args) {
    const DWORD lastError = GetLastError();
    const std::wstring message = FormatLogText(format, args);
    AppendToLogFile(EncodeLogFileText(message));
    if ((flags & LOG_DEBUGGER_MASK) != 0) {
        SendToDebugger(message);
    }
    SetLastError(lastError);
}
