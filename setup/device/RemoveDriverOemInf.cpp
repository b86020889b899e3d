#include "IDDDeviceInfoSet.h"

#include "log/LogMessage.h"
#include "utilities/PathQuery.h"

#include <shlwapi.h>
#include <strsafe.h>

#include <cwchar>
#include <string>
#include <vector>

namespace {

const DWORD LOG_DEVICE_INFO = LOG_DEVICE | LOG_INFO;
constexpr DWORD InfValueUnits = 4096;

// PathAppendW documents no last-error code for its failure. One that sets none is
// reported as a path that does not fit, so that the failure never reads as 0, success.
bool AppendPath(wchar_t* path, const wchar_t* more) {
    SetLastError(ERROR_SUCCESS);
    if (PathAppendW(path, more)) {
        return true;
    }
    SetLastError(PathQueryError());
    return false;
}

} // namespace

DWORD IDDDeviceInfoSet::RemoveDriverOemInf(const wchar_t* className, const wchar_t* provider) {
    const InfMatchEntry matchTable[InfMatchEntryCount] = {
        {L"Version", L"Class", className},
        {L"Version", L"Provider", provider},
    };

    wchar_t infDirectory[MAX_PATH];
    SetLastError(ERROR_SUCCESS);
    const UINT length = GetWindowsDirectoryW(infDirectory, MAX_PATH);
    if (!PathQueryFitted(length, MAX_PATH)) {
        // A path that did not fit is reported as such; a zero result that set no code is a
        // failure like any other codeless one. Neither may come back as 0, success.
        if (length != 0) {
            SetLastError(PathQueryError());
        }
        return LogLastError(L"IDDDeviceInfoSet::RemoveDriverOemInf GetWindowsDirectory failed %d\n",
                            FailedWithoutCode);
    }
    if (!AppendPath(infDirectory, L"INF")) {
        return LogLastError(L"IDDDeviceInfoSet::RemoveDriverOemInf PathAppendW1 failed %d\n");
    }
    wchar_t pattern[MAX_PATH] = {};
    // Both buffers hold MAX_PATH units, so the copy is never cut.
    StringCchCopyW(pattern, MAX_PATH, infDirectory); // cppcheck-suppress ignoredReturnValue
    if (!AppendPath(pattern, L"OEM*.INF")) {
        return LogLastError(L"IDDDeviceInfoSet::RemoveDriverOemInf PathAppendW2 failed %d\n");
    }

    // Every candidate is collected, and the search closed, before any package is
    // uninstalled: uninstalling deletes files from the folder being searched.
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) {
        return LogLastError(L"IDDDeviceInfoSet::RemoveDriverOemInf FindFirstFileW failed %d\n");
    }
    std::vector<std::wstring> candidates;
    do {
        candidates.push_back(std::wstring(infDirectory) + L"\\" + found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);

    for (const std::wstring& candidate : candidates) {
        BOOL Matched = FALSE;
        const DWORD checked =
            PrivateValidateDriverOemInfFile(candidate.c_str(), matchTable, Matched);
        if (checked != ERROR_SUCCESS) {
            LogMessage(
                LOG_ERROR,
                L"IDDDeviceInfoSet::RemoveDriverOemInf PrivateValidateDriverOemInfFile failed\n");
            return checked;
        }
        if (!Matched) {
            LogMessage(LOG_DEVICE_INFO,
                       L"IDDDeviceInfoSet::RemoveDriverOemInf PrivateValidateDriverOemInfFile %s "
                       L"didn't match\n",
                       candidate.c_str());
            continue;
        }
        LogMessage(LOG_DEVICE_INFO,
                   L"IDDDeviceInfoSet::RemoveDriverOemInf PrivateValidateDriverOemInfFile %s "
                   L"\"%s\" and \"%s\" matched\n",
                   candidate.c_str(), className, provider);

        // The driver store is addressed by the file's name in the INF folder (oem12.inf),
        // not by its path. The name is taken from a copy as long as the path: a MAX_PATH
        // copy could cut the path of a long Windows folder and so the name.
        std::wstring fileName = candidate;
        PathStripPathW(&fileName[0]);
        fileName.resize(std::wcslen(fileName.c_str()));
        LogMessage(LOG_DEVICE_INFO, L"IDDDeviceInfoSet::RemoveDriverOemInf Removing %s\n",
                   fileName.c_str());
        if (!SetupUninstallOEMInfW(fileName.c_str(), 0, nullptr)) {
            LogMessage(LOG_DEVICE_INFO,
                       L"IDDDeviceInfoSet::RemoveDriverOemInf SetupUninstallOEMInf failed %d\n",
                       GetLastError());
            LogMessage(LOG_DEVICE_INFO,
                       L"IDDDeviceInfoSet::RemoveDriverOemInf Removing %s failed\n",
                       fileName.c_str());
        }
    }
    return ERROR_SUCCESS;
}

DWORD IDDDeviceInfoSet::PrivateValidateDriverOemInfFile(
    const wchar_t* infPath, const InfMatchEntry (&matchTable)[InfMatchEntryCount], BOOL& Matched) {
    HINF inf = SetupOpenInfFileW(infPath, nullptr, INF_STYLE_WIN4, nullptr);
    if (inf == INVALID_HANDLE_VALUE) {
        return LogLastError(
            L"IDDDeviceInfoSet::PrivateValidateDriverOemInfFile SetupOpenInfFile failed %d\n");
    }

    DWORD result = ERROR_SUCCESS;
    bool rowsMatched = true;
    for (const InfMatchEntry& row : matchTable) {
        INFCONTEXT context;
        SetLastError(ERROR_SUCCESS);
        if (!SetupFindFirstLineW(inf, row.Section, row.Key, &context)) {
            result =
                LogLastError(L"IDDDeviceInfoSet::SetupFindFirstLine SetupOpenInfFile failed %d\n",
                             FailedWithoutCode);
            break;
        }
        wchar_t value[InfValueUnits];
        SetLastError(ERROR_SUCCESS);
        if (!SetupGetStringFieldW(&context, 1, value, InfValueUnits, nullptr)) {
            result =
                LogLastError(L"IDDDeviceInfoSet::SetupGetStringField SetupOpenInfFile failed %d\n",
                             FailedWithoutCode);
            break;
        }
        // Later rows are not read once one differs: a package of another class is
        // never asked for its provider.
        rowsMatched = std::wcscmp(value, row.Value) == 0;
        if (!rowsMatched) {
            break;
        }
    }
    SetupCloseInfFile(inf);
    // A row that could not be read matches nothing, whatever the rows before it did.
    Matched = result == ERROR_SUCCESS && rowsMatched;
    return result;
}
