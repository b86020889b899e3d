// Standard input and output of the tool, as a console or as a pipe or file.
#pragma once

#include <windows.h>

#include <string>

namespace conferencebus {

// Writes to a console as text, elsewhere as UTF-8.
void WriteText(DWORD standardHandle, const std::wstring& text);

// Standard input, line by line.
class InputLines {
public:
    // Reads one line; false at the end of the input or when the read is cancelled.
    bool Read(std::wstring* line);

private:
    // Piped input is UTF-16 when its first two bytes say so.
    bool started_ = false;
    bool utf16_ = false;
};

bool InputIsConsole();

} // namespace conferencebus
