// Static helpers of the workflows: device tree rescan, INF location, service control.
#pragma once

#include <windows.h>

#include <string>

class IDDUtilities {
public:
    static bool ScanForHardwareChanges();
    static bool GetInfFilePath(std::wstring infFileName, std::wstring& infFilePath);
    static void ServiceStop(const wchar_t* serviceName);
    static void ServiceDelete(const wchar_t* serviceName);

private:
    // Gives back both handles open, or none open.
    static bool PrivateServiceHandleGet(const wchar_t* serviceName, DWORD access,
                                        SC_HANDLE& manager, SC_HANDLE& service);
};
