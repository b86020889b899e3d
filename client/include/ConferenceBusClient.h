// User-mode client of the ConferenceBus control interface: finds the bus, holds its
// control handle, plugs in and unplugs children and lists the child devices.
//
// Every child lives only as long as the handle that plugged it in: closing the handle, or
// destroying the client, unplugs all of them.
#pragma once

#include <windows.h>

#include <cfgmgr32.h>

#include <string>
#include <vector>

namespace conferencebus {

// A Windows error code and what it means for the caller, in words.
struct BusError {
    DWORD code = ERROR_SUCCESS;
    std::wstring message;

    bool Failed() const { return code != ERROR_SUCCESS; }
};

// A child device of the bus as Plug and Play reports it.
struct ChildDevice {
    std::wstring deviceId;
    std::wstring instanceId;
    std::wstring description;
    std::wstring location;
};

// The interface paths of every present bus, in the order Plug and Play lists them.
BusError FindBuses(std::vector<std::wstring>* paths);

// The plug-in request's input record: the fixed fields, then the ids as a multi-string.
std::vector<BYTE> PlugInRecord(ULONG serialNumber, const std::vector<std::wstring>& hardwareIds);
// Refuses, by the rules the bus applies too, ids that Plug and Play cannot use: the first
// as the device id of the child with that serial number, every further one as a hardware id.
BusError CheckHardwareIds(ULONG serialNumber, const std::vector<std::wstring>& hardwareIds);
// Refuses serial number 0, which the bus reads as every child.
BusError CheckUnplugSerial(ULONG serialNumber);

class BusClient {
public:
    BusClient() = default;
    ~BusClient();
    BusClient(BusClient&& other) noexcept;
    BusClient& operator=(BusClient&& other) noexcept;
    BusClient(const BusClient&) = delete;
    BusClient& operator=(const BusClient&) = delete;

    // Opens the bus at the interface path, or the first present bus for an empty path.
    BusError Open(const std::wstring& interfacePath = std::wstring());
    // Closes the handle, which unplugs every child.
    void Close();
    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    const std::wstring& Path() const { return path_; }

    // A serial number whose earlier child Plug and Play is still removing is tried again for
    // up to 5 seconds before the refusal is returned.
    BusError PlugIn(ULONG serialNumber, const std::vector<std::wstring>& hardwareIds);
    BusError Unplug(ULONG serialNumber);
    BusError UnplugAll();
    BusError ListChildren(std::vector<ChildDevice>* children) const;

private:
    BusError Send(ULONG code, const void* input, DWORD inputLength);

    HANDLE handle_ = INVALID_HANDLE_VALUE;
    DEVINST device_ = 0;
    std::wstring path_;
};

} // namespace conferencebus
