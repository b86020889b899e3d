// Entry of the setup program: one action per run, chosen by a word in the command line.
// The exit code is always 0; the log is the record of the outcome.
#include "actions/IDDSetupActions.h"
#include "log/LogMessage.h"

#include <string>

namespace {

const DWORD LOG_ENTRY = LOG_ACTIONS | LOG_INFO;

// __DATE__ and __TIME__ honour SOURCE_DATE_EPOCH with GCC, for reproducible builds.
const char BuildDate[] = __DATE__;
const char BuildTime[] = __TIME__;

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    LogMessage(LOG_INFO, L"\n====================================================\n");
    LogMessage(LOG_INFO, L"Call: %d/%d/%d %d:%d:%d Build: %S %S\n", now.wMonth, now.wDay, now.wYear,
               now.wHour, now.wMinute, now.wSecond, BuildDate, BuildTime);

    IDDSetupActions actions;
    const std::wstring action = commandLine ? commandLine : L"";

    // A plain, case-sensitive substring search: "uninstall" and "/install" both
    // contain "install", and "install" wins when both words are present.
    INT result = ERROR_SUCCESS;
    if (action.find(L"install") != std::wstring::npos) {
        LogMessage(LOG_ENTRY, L"DriverSetup _tmain: Installing device and driver...\n");
        LogMessage(LOG_ENTRY,
                   L"DriverSetup _tmain: Uninstall previous device and driver first...\n");
        result = actions.Install();
    } else if (action.find(L"remove") != std::wstring::npos) {
        LogMessage(LOG_ENTRY, L"DriverSetup _tmain: Removing device and driver...\n");
        result = actions.Uninstall();
    } else {
        LogMessage(LOG_ERROR,
                   L"DriverSetup _tmain: Wrong action arguments \"install\" or \"remove\" \n");
        return 0;
    }

    if (result == ERROR_SUCCESS) {
        LogMessage(LOG_ENTRY, L"DriverSetup _tmain: Setup Success!\n");
    } else {
        LogMessage(LOG_ERROR, L"DriverSetup _tmain:Exit Setup Failed\n");
    }
    return 0;
}
