// Routes the client's platform calls to the real driver inside the framework simulation:
// interface lookup, the configuration manager's device tree, CreateFileW, DeviceIoControl
// and CloseHandle become calls on a simulated machine with bus devices. The SetupAPI device
// calls and the driver installation act on the machine's root-enumerated device nodes, and
// the driver store is the INF folder of a scratch Windows folder.
#pragma once

#include <windows.h>

#include <setupapi.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "wdfsim/Machine.h"

// A root-enumerated device node as SetupAPI shows it.
struct SimulatedNode {
    std::wstring instanceId;
    GUID classGuid;
    std::vector<std::wstring> hardwareIds;
    bool registered = true;
    bool removed = false;
    bool removedAtRestart = false; // its removal waits for a restart
    std::wstring package;          // the driver store's INF installed on it
    size_t bus = SIZE_MAX;         // the bus device its driver added
};

// GUID_DEVCLASS_SYSTEM, the class of the buses the machine starts with.
inline const GUID SystemClass = {
    0x4d36e97d, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

// The bus's INF (CONFERENCE_BUS_INF) as a full path, as the platform makes it.
std::wstring BusInfPath();

// A registered node.
SimulatedNode RootNode(const std::wstring& instanceId, const GUID& classGuid,
                       const std::vector<std::wstring>& hardwareIds);

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

    // The device nodes, the buses' first; a test may add others.
    std::vector<SimulatedNode>& Nodes() { return nodes_; }
    // The present nodes that carry the bus's hardware id.
    std::vector<SimulatedNode> BusNodes() const;
    // Puts an INF into the driver store as Windows does, as oem<n>.inf remembering the name it
    // had; gives the new name.
    std::wstring StagePackage(const std::string& text, const std::wstring& originalName);
    // The driver store's INFs, by name.
    std::vector<std::wstring> DriverStore() const;
    std::wstring InfFolder() const { return windowsFolder_ + L"\\INF"; }
    // The running program lies beside the bus's INF.
    void RunBesideBusInf();
    // Whether installing a driver makes Windows ask for a restart.
    void SetRestartAfterInstall(bool restart) { restartAfterInstall_ = restart; }

private:
    struct DeviceSet;

    void InstallInterfaceLookup();
    void InstallDeviceTree();
    void InstallFileCalls();
    void InstallDeviceNodes();
    void InstallDriverStore();
    bool Owns(HANDLE handle) const { return handles_.count(handle) != 0; }
    SimulatedNode* NodeOf(HDEVINFO set, const SP_DEVINFO_DATA* device);
    bool BusPresent(size_t bus) const;
    BOOL InstallDriver(const std::wstring& hardwareId, const std::wstring& infPath, PBOOL restart);

    wdfsim::Machine machine_;
    std::vector<SimulatedNode> nodes_;
    std::wstring windowsFolder_;
    std::map<std::wstring, std::wstring> originalNames_; // of the staged INFs, by file name
    unsigned nextPackage_ = 0;
    bool restartAfterInstall_ = false;
    bool administrator_ = true;
    DWORD detailSlack_ = 0;
    std::map<HANDLE, wdfsim::HandleId> handles_;
    std::vector<std::vector<uint8_t>> requests_;
};
