#include "FakeWindows.h"

#include "Seam.h"

#include <gtest/gtest.h>

#include <cfgmgr32.h>

#include <fstream>
#include <tuple>

namespace setuptest {

namespace {

// The Windows directory queries: the length written, or the size needed (terminator
// included) without writing when the buffer is too small.
UINT CopyDirectory(const std::wstring& directory, LPWSTR buffer, UINT size) {
    if (directory.size() >= size) {
        return static_cast<UINT>(directory.size() + 1);
    }
    directory.copy(buffer, directory.size());
    buffer[directory.size()] = L'\0';
    return static_cast<UINT>(directory.size());
}

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end()); // the scratch paths are ASCII
}

} // namespace

FakeWindows::FakeWindows() {
    static int scratchCount = 0;
    const std::wstring root = L"C:\\talvoren-scratch";
    windowsDirectory = root + L"\\" + std::to_wstring(++scratchCount);
    for (const std::wstring& folder :
         {root, windowsDirectory, InfDirectory(), SystemDirectory(),
          SystemDirectory() + L"\\drivers", SystemDirectory() + L"\\drivers\\UMDF"}) {
        CreateDirectoryW(folder.c_str(), nullptr);
    }
}

void FakeWindows::WriteFile(const std::wstring& relativePath, const std::string& text) const {
    std::ofstream file(Narrow(windowsDirectory + L"\\" + relativePath), std::ios::binary);
    file << text;
}

bool FakeWindows::HasFile(const std::wstring& relativePath) const {
    return std::ifstream(Narrow(windowsDirectory + L"\\" + relativePath)).good();
}

void FakeWindows::WriteResidue() const {
    for (const std::wstring& file : DriverFiles()) {
        WriteFile(file, "driver");
    }
    HKEY key = nullptr;
    const std::wstring parameters = std::wstring(kit::FrameworkServiceKey) + L"\\Parameters";
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, parameters.c_str(), 0, nullptr, 0, KEY_WRITE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

bool FrameworkKeyExists() {
    HKEY key = nullptr;
    const bool exists = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kit::FrameworkServiceKey, 0, KEY_READ,
                                      &key) == ERROR_SUCCESS;
    if (exists) {
        RegCloseKey(key);
    }
    return exists;
}

const std::vector<std::wstring>& DriverFiles() {
    static const std::vector<std::wstring> files = [] {
        std::vector<std::wstring> paths;
        for (const wchar_t* file : kit::DriverFiles) {
            paths.push_back(L"System32\\" + std::wstring(file));
        }
        return paths;
    }();
    return files;
}

std::string OemInf(const char* className, const char* provider) {
    std::string text = "[Version]\r\nSignature=\"$Windows NT$\"\r\n";
    if (className) {
        text += std::string("Class=") + className + "\r\n";
    }
    if (provider) {
        text += std::string("Provider=") + provider + "\r\n";
    }
    return text + "DriverVer=01/01/2024,1.0.0.0\r\n";
}

void FakeWindows::Install() {
    // Answers the two version questions the workflows ask, and checks that they are
    // asked as "at least" questions on a record with only the named fields set.
    SEAM_OVERRIDE(VerifyVersionInfoW,
                  [this](LPOSVERSIONINFOEXW wanted, DWORD typeMask, DWORDLONG conditions) -> BOOL {
                      EXPECT_EQ(wanted->dwOSVersionInfoSize, 284u);
                      EXPECT_EQ(wanted->dwPlatformId, 0u);
                      EXPECT_EQ(wanted->wServicePackMinor, 0);
                      for (unsigned bit = 0; bit < 8; ++bit) {
                          if (typeMask & (1u << bit)) {
                              EXPECT_EQ((conditions >> (3 * bit)) & 7, VER_GREATER_EQUAL) << bit;
                          }
                      }
                      bool passes = false;
                      if (typeMask ==
                          (VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR)) {
                          passes = std::tie(version.major, version.minor, version.servicePack) >=
                                   std::tie(wanted->dwMajorVersion, wanted->dwMinorVersion,
                                            wanted->wServicePackMajor);
                      } else if (typeMask == VER_BUILDNUMBER) {
                          passes = version.build >= wanted->dwBuildNumber;
                      } else {
                          ADD_FAILURE() << "unexpected version question " << typeMask;
                      }
                      SetLastError(passes ? ERROR_SUCCESS : ERROR_OLD_WIN_VERSION);
                      return passes;
                  });
    SEAM_OVERRIDE(IsWow64Process, [this](HANDLE process, PBOOL underWow64) -> BOOL {
        EXPECT_EQ(process, GetCurrentProcess());
        *underWow64 = wow64;
        return TRUE;
    });
    deviceTree.Install();
    SEAM_OVERRIDE(GetWindowsDirectoryW, [this](LPWSTR buffer, UINT size) {
        return CopyDirectory(windowsDirectory, buffer, size);
    });
    SEAM_OVERRIDE(GetSystemDirectoryW, [this](LPWSTR buffer, UINT size) {
        return CopyDirectory(SystemDirectory(), buffer, size);
    });
    // A path that does not fit is cut and terminated, its full size returned and
    // ERROR_INSUFFICIENT_BUFFER set, as Windows does since Vista.
    SEAM_OVERRIDE(GetModuleFileNameW, [this](HMODULE module, LPWSTR buffer, DWORD size) -> DWORD {
        if (module) {
            return SEAM_REAL(GetModuleFileNameW)(module, buffer, size);
        }
        const std::size_t length = std::min<std::size_t>(programPath.size(), size - 1);
        programPath.copy(buffer, length);
        buffer[length] = L'\0';
        if (length < programPath.size()) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return size;
        }
        return static_cast<DWORD>(length);
    });
    // The driver store drops the package's INF from the INF directory.
    SEAM_OVERRIDE(SetupUninstallOEMInfW, [this](PCWSTR fileName, DWORD, PVOID) {
        return SEAM_REAL(DeleteFileW)((InfDirectory() + L"\\" + fileName).c_str());
    });
    SEAM_OVERRIDE(DiInstallDriverW, [](HWND, LPCWSTR, DWORD, PBOOL) { return TRUE; });
    SEAM_OVERRIDE(CM_Locate_DevNodeW, [](PDEVINST root, DEVINSTID_W, ULONG) -> CONFIGRET {
        *root = 1;
        return CR_SUCCESS;
    });
    SEAM_OVERRIDE(CM_Reenumerate_DevNode, [](DEVINST, ULONG) -> CONFIGRET { return CR_SUCCESS; });
    SEAM_OVERRIDE(MessageBoxW, [](HWND, LPCWSTR, LPCWSTR, UINT) { return IDOK; });
    SEAM_OVERRIDE(InstallHinfSectionW, [](HWND, HINSTANCE, PCWSTR, INT) {});
}

void MachineTest::StartOver() {
    SetupTest::StartOver();
    machine.Install();
}

} // namespace setuptest
