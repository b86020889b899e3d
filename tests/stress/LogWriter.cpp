// Test-only program: writes numbered messages through the setup program's log, as one
// of several processes at once, and reports how many reached the debugger output.
// Usage: log_writer <writer id> <message count> <filler length>
#include "Seam.h"
#include "log/LogMessage.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: log_writer <id> <count> <filler length>\n");
        return 2;
    }
    const int writer = std::atoi(argv[1]);
    const int count = std::atoi(argv[2]);
    const std::wstring filler(static_cast<std::size_t>(std::atoi(argv[3])), L'x');

    // A test that starts several writers opens this gate once all of them are running.
    if (HANDLE gate = OpenEventW(SYNCHRONIZE, FALSE, L"TalvorenLogWritersGo")) {
        WaitForSingleObject(gate, INFINITE);
        CloseHandle(gate);
    }

    int message = 0;
    int delivered = 0;
    SEAM_OVERRIDE(OutputDebugStringW, [&](const wchar_t* line) {
        wchar_t expected[64];
        std::swprintf(expected, 64, L"IDDDriverSetup: writer %d message %d ", writer, message);
        delivered += std::wstring(line).rfind(expected, 0) == 0 ? 1 : 0;
    });
    for (message = 0; message < count; ++message) {
        LogMessage(LOG_ERROR, L"writer %d message %d %s end\n", writer, message, filler.c_str());
    }
    std::printf("%d\n", delivered);
    return 0;
}
