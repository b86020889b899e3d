// Routes the client's platform calls to the real driver inside the framework simulation:
// interface lookup, the configuration manager's device tree, CreateFileW, DeviceIoControl
// and CloseHandle become calls on a simulated machine with bus devices.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "wdfsim/Machine.h"

class SimulatedBus {
public:
    // Loads the driver and adds the bus devices. Calls on other files, devices and
    // interface classes go to the platform.
    explicit SimulatedBus(size_t buses = 1);
    ~SimulatedBus();
    SimulatedBus(const SimulatedBus&) = delete;
    SimulatedBus& operator=(const SimulatedBus&) = delete;

    wdfsim::Machine& machine() { return machine_; }
    std::wstring Path(size_t bus) const;
    // The bus admits only SYSTEM and Administrators; the caller is one unless told otherwise.
    void SetAdministrator(bool administrator) { administrator_ = administrator; }
    // The platform may ask for a larger interface detail record than the path needs, and then
    // refuses a smaller one.
    void AskForLargerDetail(DWORD bytes) { detailSlack_ = bytes; }
    // The input bytes of every control request, in order.
    const std::vector<std::vector<uint8_t>>& Requests() const { return requests_; }

private:
    // A device information set of the bus's interface class.
    using Interfaces = std::vector<wdfsim::Interface>;

    void InstallInterfaceLookup();
    void InstallDeviceTree();
    void InstallFileCalls();
    bool Owns(HANDLE handle) const { return handles_.count(handle) != 0; }

    wdfsim::Machine machine_;
    bool administrator_ = true;
    DWORD detailSlack_ = 0;
    std::map<HANDLE, wdfsim::HandleId> handles_;
    std::vector<std::vector<uint8_t>> requests_;
};
