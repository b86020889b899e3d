// The static helpers that rescan the device tree and locate the INF beside the program.
#include "FakeWindows.h"

#include "Seam.h"
#include "utilities/IDDUtilities.h"

#include <cfgmgr32.h>

#include <functional>

namespace setuptest {
namespace {

using UtilitiesTest = MachineTest;

TEST_F(UtilitiesTest, RescanLocatesTheRootAndReenumeratesSynchronously) {
    EXPECT_TRUE(IDDUtilities::ScanForHardwareChanges());
    ExpectLog({});
    const std::vector<std::wstring> locate = seam::CallsTo("CM_Locate_DevNodeW").at(0).args;
    EXPECT_EQ(std::vector<std::wstring>(locate.begin() + 1, locate.end()),
              (std::vector<std::wstring>{L"null", L"0"}));
    EXPECT_EQ(seam::CallsTo("CM_Reenumerate_DevNode").at(0).args,
              (std::vector<std::wstring>{L"1", L"1"})); // the root found, synchronously
}

TEST_F(UtilitiesTest, FailedRescanStepIsLoggedWithoutItsCode) {
    const struct {
        const char* function;
        const wchar_t* line;
    } cases[] = {
        {"CM_Locate_DevNodeW", RescanNotLocated},
        {"CM_Reenumerate_DevNode",
         L"IDDUtilities::ScanForHardwareChanges CM_Reenumerate_DevNode failed\n"},
    };
    for (const auto& c : cases) {
        StartOver();
        seam::FailCall(c.function, 1, CR_CALL_NOT_IMPLEMENTED, 0);
        EXPECT_FALSE(IDDUtilities::ScanForHardwareChanges());
        ExpectLog({c.line});
    }
}

// A program path that fills the buffer, cut and terminated as before Vista, which set
// no code for it.
void CutWithoutACode() {
    SEAM_OVERRIDE(GetModuleFileNameW, [](HMODULE, LPWSTR buffer, DWORD size) -> DWORD {
        std::fill(buffer, buffer + size - 1, L'F');
        buffer[size - 1] = L'\0';
        return size;
    });
}

// The INF path is the program's folder, a backslash and the name as given; on failure
// it is empty, whatever it held before.
TEST_F(UtilitiesTest, InfPathIsBuiltBesideTheProgram) {
    const std::wstring Failed = L"IDDUtilities::GetInfFilePath  GetFullPathName failed ";
    const std::wstring folder259 = L"C:\\" + std::wstring(246, L'F'); // + "\setup.exe" = 259
    const struct {
        const char* name;
        std::wstring programPath;
        std::function<void()> script;
        std::wstring infPath; // empty: not found
        Lines lines;
    } cases[] = {
        // clang-format off
        {"plain", L"C:\\Tools\\setup.exe", [] {}, L"C:\\Tools\\TalvorenDisplay.inf", {}},
        {"drive root keeps its backslash", L"C:\\setup.exe", [] {}, L"C:\\\\TalvorenDisplay.inf", {}},
        {"longest path that fits", folder259 + L"\\setup.exe", [] {}, folder259 + L"\\TalvorenDisplay.inf", {}},
        {"path cut short", folder259 + L"\\setup.exe2", [] {}, L"", {Failed + L"122\n"}},
        // Before Vista a cut path came back with no error code at all.
        {"path cut short without a code", L"C:\\Tools\\setup.exe", CutWithoutACode, L"", {Failed + L"122\n"}},
        {"path unreadable", L"C:\\Tools\\setup.exe", [] { seam::FailCall("GetModuleFileNameW", 1, 0, ERROR_ACCESS_DENIED); }, L"", {Failed + L"5\n"}},
        {"no file name to remove", L"C:\\Tools\\setup.exe", [] { seam::FailCall("PathRemoveFileSpecW", 1, FALSE, ERROR_BAD_PATHNAME); }, L"", {Failed + L"161\n"}},
        // clang-format on
    };
    for (const auto& c : cases) {
        StartOver();
        machine.programPath = c.programPath;
        c.script();
        std::wstring infPath = L"left from before";
        EXPECT_EQ(IDDUtilities::GetInfFilePath(kit::InfName, infPath), !c.infPath.empty())
            << c.name;
        EXPECT_EQ(infPath, c.infPath) << c.name;
        ExpectLog(c.lines);
    }
}

} // namespace
} // namespace setuptest
