#include "LogMessage.h"

void LogMessage(DWORD flags, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    LogMessageV(flags, format, args);
    va_end(args);
}

DWORD LogLastError(const wchar_t* format, DWORD codeWhenNone) {
    const DWORD lastError = GetLastError();
    const DWORD error = lastError != ERROR_SUCCESS ? lastError : codeWhenNone;
    LogMessage(LOG_ERROR, format, error);
    return error;
}
