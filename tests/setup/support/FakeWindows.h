// A Windows 10 machine for the workflows, built on seam overrides: the version the
// checks see, whether the program runs under WOW64, the device tree, a Windows directory in a
// scratch folder that holds the OEM INF files a test writes, the program's own path, and a driver
// installation, rescan and message box that succeed. The service control manager, the registry and
// the INF reader stay the platform's own.
#pragma once

#include "FakeDeviceTree.h"
#include "SetupTest.h"

#include <windows.h>

#include <string>
#include <vector>

namespace setuptest {

struct WindowsVersion {
    DWORD major;
    DWORD minor;
    WORD servicePack;
    DWORD build;
};

class FakeWindows {
public:
    FakeWindows(); // makes a fresh scratch Windows directory
    // Installs the overrides until the next seam::Reset().
    void Install();

    WindowsVersion version{10, 0, 0, 19041};
    bool wow64 = false; // whether the program runs as a 32-bit process on 64-bit Windows
    FakeDeviceTree deviceTree;
    std::wstring programPath = L"C:\\Program Files\\Talvoren\\" + std::wstring(kit::ProgramName);
    std::wstring windowsDirectory;

    std::wstring InfDirectory() const { return windowsDirectory + L"\\INF"; }
    std::wstring SystemDirectory() const { return windowsDirectory + L"\\System32"; }
    // Writes a file of the scratch Windows directory, e.g. L"INF\\oem3.inf".
    void WriteFile(const std::wstring& relativePath, const std::string& text) const;
    bool HasFile(const std::wstring& relativePath) const;
    // What an installation of the package leaves besides its service and INFs: the
    // framework's service key, with the Parameters subkey the package writes, and the driver
    // files. The key is the platform registry's own.
    void WriteResidue() const;
};

bool FrameworkKeyExists();

// The driver's files, relative to the Windows directory.
const std::vector<std::wstring>& DriverFiles();

// The [Version] section of a package's INF with this Class and Provider value text; a
// null value leaves its key out.
std::string OemInf(const char* className, const char* provider);

// Fixture of the tests that run the program on the fake machine.
class MachineTest : public SetupTest {
protected:
    void StartOver() override;

    FakeWindows machine;
};

// Fixture of a failure table: a parameterised suite of a subject's fixture, whose rows
// are one line each.
template <typename Row, typename Fixture = MachineTest>
class FailureTable : public Fixture, public testing::WithParamInterface<Row> {};

} // namespace setuptest
