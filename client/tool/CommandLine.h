// The tool's command line and its script files.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace conferencebus {

struct Options {
    bool help = false;
    std::wstring busPath;
    std::wstring scriptPath;
    std::vector<std::wstring> commands;
    std::wstring error; // set when the command line is wrong
};

// The arguments after the program name.
Options ParseArguments(const std::vector<std::wstring>& arguments);

// The lines of a UTF-8 (with or without a byte-order mark) or UTF-16LE (with one) text file.
DWORD ReadScript(const std::wstring& path, std::vector<std::wstring>* lines);

// Splits text into lines, dropping each line's CR.
std::vector<std::wstring> SplitLines(const std::wstring& text);
std::wstring FromUtf8(const char* bytes, size_t length);

// Text in a file or a pipe is UTF-16LE when it starts with that byte-order mark (as
// PowerShell's > and Out-File write it), otherwise UTF-8.
bool StartsAsUtf16(const std::string& bytes);
// Decodes bytes in that encoding, without a leading byte-order mark of either.
std::wstring DecodeText(const std::string& bytes, bool utf16);

} // namespace conferencebus
