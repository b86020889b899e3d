#include "LogMessage.h"

void LogMessage(DWORD flags, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    LogMessageV(flags, format, args);
    va_end(args);
}

DWORD LogLastError(const wchar_t* format) {
    const DWORD error = GetLastError();
    LogMessage(LOG_ERROR, format, error);
    return error;
}
