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

// The longest hardware id the client sends; Plug and Play takes no longer device ids.
constexpr size_t MaxHardwareIdLength = 200;

// The interface paths of every present bus, in the order Plug and Play lists them.
BusError FindBuses(std::vector<std::wstring>* paths);

// The plug-in request's input record: the fixed fields, then the ids as a multi-string.
std::vector<BYTE> PlugInRecord(ULONG serialNumber, const std::vector<std::wstring>& hardwareIds);
// Refuses ids that the bus would take but Plug and Play cannot use.
BusError CheckHardwareIds(const std::vector<std::wstring>& hardwareIds);

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
