#include "SetupScenario.h"

#include "StartProcess.h"
#include "KitFacts.h"
#include "LogTexts.h"

#include <regex>

ScenarioInputs& Inputs() {
    static ScenarioInputs inputs;
    return inputs;
}

namespace {

std::wstring FileNameOf(const std::wstring& path) {
    const size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

void CopyInto(const std::wstring& source, const std::wstring& folder) {
    const std::wstring target = folder + L"\\" + FileNameOf(source);
    ASSERT_TRUE(CopyFileW(source.c_str(), target.c_str(), FALSE))
        << "copying " << testing::PrintToString(source) << " failed " << GetLastError();
}

void SetString(HKEY key, const wchar_t* name, const wchar_t* value) {
    const DWORD bytes = static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t));
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), bytes));
}

} // namespace

void SetupScenario::SetUp() {
    ASSERT_TRUE(CreateDirectoryW(KitFolder, nullptr)) << GetLastError();
    CopyInto(Inputs().program, KitFolder);
    for (const wchar_t* file : kit::PackageFiles) {
        CopyInto(Inputs().packageFolder + L"\\" + file, KitFolder);
    }
}

// Without a version configured for it, Wine takes the Windows version from these two
// values, which lets a scenario choose any build.
void SetupScenario::ReportWindows(const wchar_t* version, const wchar_t* build) {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine", L"Version");
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows NT\\CurrentVersion",
                            0, KEY_SET_VALUE, &key));
    SetString(key, L"CurrentVersion", version);
    SetString(key, L"CurrentBuildNumber", build);
    RegCloseKey(key);
}

void SetupScenario::Prepare(const prep::InstalledSystem& what) {
    ASSERT_EQ(0u, prep::PrepareInstalledSystem(Inputs().packageFolder, Inputs().dataFolder, what));
}

void SetupScenario::RegisterDevice(const std::vector<std::wstring>& hardwareIds) {
    ASSERT_EQ(0u, prep::RegisterDisplayDevice(hardwareIds));
}

DWORD SetupScenario::RunSetup(const std::wstring& actionText) {
    const std::wstring program = KitFolder + (L"\\" + FileNameOf(Inputs().program));
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!actionText.empty()) {
        commandLine += L" " + actionText;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!testsupport::StartProcess(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0,
                                   nullptr, nullptr, &startup, &process)) {
        ADD_FAILURE() << "CreateProcessW failed " << GetLastError();
        return ERROR_PROCESS_ABORTED;
    }
    DWORD exitCode = ERROR_PROCESS_ABORTED;
    if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &exitCode);
    } else {
        ADD_FAILURE() << "the setup program did not end within a minute";
        TerminateProcess(process.hProcess, ERROR_PROCESS_ABORTED);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode;
}

std::string SetupScenario::Log() {
    const std::string bytes = logtext::ReadLogFile();
    // Month/day/year hour:minute:second without leading zeros, then the build stamp as
    // the compiler writes it ("Oct  1 2019 11:03:38").
    static const std::regex banner(
        "Call: (1[0-2]|[1-9])/(3[01]|[12][0-9]|[1-9])/[1-9][0-9]{3} (2[0-3]|1[0-9]|[0-9]):"
        "([1-5][0-9]|[0-9]):([1-5][0-9]|[0-9]) Build: [A-Z][a-z]{2} [ 1-3][0-9] [0-9]{4} "
        "[0-2][0-9]:[0-5][0-9]:[0-5][0-9]\r\n");
    return std::regex_replace(bytes, banner, "Call: <time> Build: <build>\r\n");
}

void SetupScenario::DeleteLog() {
    DeleteFileW(kit::LogPath);
}
