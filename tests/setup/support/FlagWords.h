// The flag word of every message. The log's sinks cannot tell the program's flag words
// apart (each of them sends the message to the debugger too), so the tests watch the
// log calls themselves: their link wraps LogMessageV, through which every message goes.
#pragma once

#include <windows.h>

#include <string>

namespace setuptest {

// The flag word that a message of this format must carry, by the kind of message it
// is; 0 for a format that is none of the program's.
DWORD ExpectedFlagWord(const std::wstring& format);

// Checks every message logged since the last call against ExpectedFlagWord, then
// forgets them.
void CheckFlagWordsOfLoggedMessages();

// Forgets the messages logged since the last check, for tests that log their own.
void ForgetLoggedMessages();

} // namespace setuptest
