#include "Console.h"

#include "CommandLine.h"

namespace conferencebus {

namespace {

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode) != FALSE;
}

} // namespace

void WriteText(DWORD standardHandle, const std::wstring& text) {
    HANDLE handle = GetStdHandle(standardHandle);
    DWORD written = 0;
    if (IsConsole(handle)) {
        WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string bytes(length, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0], length,
                        nullptr, nullptr);
    WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

bool InputIsConsole() {
    return IsConsole(GetStdHandle(STD_INPUT_HANDLE));
}

bool InputLines::Read(std::wstring* line) {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    line->clear();
    if (IsConsole(input)) {
        // Line input mode returns the line with its CR LF; Ctrl-C makes it return nothing.
        wchar_t buffer[1024];
        DWORD read = 0;
        if (!ReadConsoleW(input, buffer, ARRAYSIZE(buffer), &read, nullptr) || read == 0) {
            return false;
        }
        *line = std::wstring(buffer, read);
        while (!line->empty() && (line->back() == L'\n' || line->back() == L'\r')) {
            line->pop_back();
        }
        return true;
    }
    // A pipe or file: a byte at a time, so that nothing past the line is consumed. Its first
    // two bytes tell its encoding for the whole input.
    std::string bytes;
    char byte = 0;
    DWORD read = 0;
    bool ended = false;
    while (!ended && ReadFile(input, &byte, 1, &read, nullptr) && read == 1) {
        bytes.push_back(byte);
        if (!started_ && bytes.size() == 2) {
            started_ = true;
            utf16_ = StartsAsUtf16(bytes);
        }
        const size_t size = bytes.size();
        ended = utf16_ ? size % 2 == 0 && bytes.compare(size - 2, 2, "\n\0", 2) == 0 : byte == '\n';
    }
    started_ = true;
    if (ended) {
        bytes.resize(bytes.size() - (utf16_ ? sizeof(wchar_t) : 1));
    }
    *line = DecodeText(bytes, utf16_);
    if (!line->empty() && line->back() == L'\r') {
        line->pop_back();
    }
    return ended || !bytes.empty();
}

} // namespace conferencebus
