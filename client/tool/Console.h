// Standard input and output of the tool, as a console or as a pipe or file.
#pragma once

#include <windows.h>

#include <string>

namespace conferencebus {

// Writes to a console as text, elsewhere as UTF-8.
void WriteText(DWORD standardHandle, const std::wstring& text);

// Reads one line of standard input; false at its end or when the read is cancelled.
bool ReadInputLine(std::wstring* line);

bool InputIsConsole();

} // namespace conferencebus
