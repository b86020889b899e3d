// Fixture of the acceptance scenarios. The test program runs under Wine in a prefix of
// its own; every scenario lays the shipping setup program and the test driver package
// into one folder, prepares the system, starts the program as an installer would and
// reads back the log and the system state.
#pragma once

#include "support/Preparation.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

// Where the build keeps the program and the packages; set once by the test program's
// entry from its arguments.
struct ScenarioInputs {
    std::wstring program;       // TalvorenSetup64.exe or TalvorenSetup32.exe
    std::wstring packageFolder; // the test driver package
    std::wstring dataFolder;    // the other packages of the driver store
};
ScenarioInputs& Inputs();

class SetupScenario : public ::testing::Test {
protected:
    // A blank in the folder name: the uninstall command carries the INF path unquoted. The
    // word "install" in it: the program's path is no part of the action text, or every
    // scenario would run an install.
    static constexpr const wchar_t* KitFolder = L"C:\\Kit to install";

    void SetUp() override;

    // Makes the programs started from now on see this Windows version.
    static void ReportWindows(const wchar_t* version, const wchar_t* build);
    static void Prepare(const prep::InstalledSystem& what);
    static void RegisterDevice(const std::vector<std::wstring>& hardwareIds);

    // Starts the program with this action text, waits for it and returns its exit code.
    static DWORD RunSetup(const std::wstring& actionText);

    // The log file's bytes, with the date and time of every banner checked and masked.
    static std::string Log();
    static void DeleteLog();
};
