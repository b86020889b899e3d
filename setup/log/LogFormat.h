// The log's own formatter, so that "%s" and "%S" mean the same with every C runtime.
#pragma once

#include <cstdarg>
#include <string>

// Understands the directives the program uses: %d, %s, %S, %X with a zero flag, a
// width and the h, hh and l length modifiers, and %%. Anything else is copied as it
// stands.
std::wstring FormatLogText(const wchar_t* format, va_list args);

// The log file's bytes for a message: U+0001..U+00FF as the byte of the same value, any
// other character as "?", and each line feed as CR LF.
std::string EncodeLogFileText(const std::wstring& message);
