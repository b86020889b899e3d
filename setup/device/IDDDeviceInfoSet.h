// Owner of one SetupAPI device information set: creates, detects and removes the
// virtual display device node and removes the driver package from the driver store.
#pragma once

#include <windows.h>
#include <setupapi.h>

class IDDDeviceInfoSet {
public:
    IDDDeviceInfoSet();
    ~IDDDeviceInfoSet();
    IDDDeviceInfoSet(const IDDDeviceInfoSet&) = delete;
    IDDDeviceInfoSet& operator=(const IDDDeviceInfoSet&) = delete;

    DWORD CreateDeviceNode(GUID classGuid, const wchar_t* hardwareId, const wchar_t* className);
    DWORD RemoveDeviceNode(GUID classGuid, const wchar_t* hardwareId);
    DWORD RemoveDriverOemInf(const wchar_t* className, const wchar_t* provider);

private:
    struct InfMatchEntry {
        const wchar_t* Section;
        const wchar_t* Key;
        const wchar_t* Value;
    };
    static constexpr int InfMatchEntryCount = 2;

    bool PrivateDetectDeviceNode(GUID classGuid, const wchar_t* hardwareId);
    DWORD PrivateValidateDriverOemInfFile(const wchar_t* infPath,
                                          const InfMatchEntry (&matchTable)[InfMatchEntryCount],
                                          BOOL& Matched);

    HDEVINFO DevInfoHandle;
    SP_DEVINFO_DATA DevInfoData;
};
