#include "IDDUtilities.h"

#include "PathQuery.h"
#include "log/LogMessage.h"

#include <shlwapi.h>

// The package's INF lies beside the program. The path is only put together here; a
// missing file shows up when the driver installation is handed the path.
// The name is taken by value: the workflow hands the helper a copy of its configuration.
// cppcheck-suppress passedByValue
bool IDDUtilities::GetInfFilePath(std::wstring infFileName, std::wstring& infFilePath) {
    wchar_t modulePath[MAX_PATH];
    SetLastError(ERROR_SUCCESS);
    const DWORD length = GetModuleFileNameW(nullptr, modulePath, MAX_PATH);
    // A cut path would name the wrong folder: it fails like an unreadable one.
    const bool fitted = PathQueryFitted(length, MAX_PATH);
    if (!fitted || !PathRemoveFileSpecW(modulePath)) {
        const DWORD error = fitted || length == 0 ? GetLastError() : PathQueryError();
        infFilePath.clear();
        LogMessage(LOG_ERROR, L"IDDUtilities::GetInfFilePath  GetFullPathName failed %d\n", error);
        return false;
    }
    infFilePath = modulePath;
    infFilePath += L"\\" + infFileName;
    return true;
}
