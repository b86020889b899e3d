// The install and uninstall workflows and the setup configuration they work from.
#pragma once

#include <windows.h>

#include <string>

class IDDSetupActions {
public:
    INT Install();
    INT Uninstall();

private:
    void PrivateInitializeGlobals();
    void PrivateCleanup();
    static bool PrivateIsWindows10OrLater();
    static bool PrivateIsBuild14393OrLater();
    // Logs `refused` and answers true when the process runs under WOW64.
    static bool PrivateIsRefusedUnderWow64(const wchar_t* queryFailed, const wchar_t* refused);

    // The setup configuration: empty until a workflow fills it, always with the same
    // values.
    std::wstring InfFileName;
    std::wstring InfFilePath;
    std::wstring HardwareId;
    std::wstring ClassName;
    GUID ClassGuid{};
};
