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

    // The setup configuration: empty until a workflow fills it, always with the same
    // values.
    std::wstring InfFileName;
    std::wstring InfFilePath;
    std::wstring HardwareId;
    std::wstring ClassName;
    GUID ClassGuid{};
};
