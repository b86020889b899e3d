#include "SimulatedBus.h"

#include <cfgmgr32.h>
#include <newdev.h>
#include <setupapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>

#include "HandleLedger.h"
#include "InstalledBus.h"
#include "KitFacts.h"
#include "Seam.h"

namespace {

// Device nodes: a bus is 0x5000 + its number; a child carries its bus and position.
constexpr DEVINST BusNodeBase = 0x5000;
DEVINST ChildNode(size_t bus, size_t child) {
    return static_cast<DEVINST>(((bus + 1) << 16) | (child + 1));
}
size_t BusOfChild(DEVINST node) {
    return (node >> 16) - 1;
}
size_t PositionOfChild(DEVINST node) {
    return (node & 0xFFFF) - 1;
}

// Handles far above those the platform hands out.
HANDLE FakeHandle(wdfsim::HandleId id) {
    return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x5EED0000u + id));
}

// The Win32 error for a request's status, as kernel32 sets it.
DWORD Win32Error(wdfsim::Status status) {
    using Convert = ULONG WINAPI(LONG);
    static Convert* convert = reinterpret_cast<Convert*>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlNtStatusToDosError")));
    return convert(status);
}

// GENERIC_READ and GENERIC_WRITE carry FILE_READ_DATA and FILE_WRITE_DATA, the only rights
// the bus checks; the callers here ask for no others.
uint32_t FileAccess(DWORD desired) {
    return ((desired & GENERIC_READ) ? wdfsim::FileReadData : 0u) |
           ((desired & GENERIC_WRITE) ? wdfsim::FileWriteData : 0u);
}

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

// The root-enumerated instance id that DICD_GENERATE_ID gives the nth node of a name.
std::wstring InstancePrefix(const std::wstring& name) {
    std::wstring upper = name;
    CharUpperW(&upper[0]);
    return L"ROOT\\" + upper + L"\\";
}
std::wstring RootInstanceId(const std::wstring& name, size_t number) {
    wchar_t text[16];
    std::swprintf(text, ARRAYSIZE(text), L"%04zu", number);
    return InstancePrefix(name) + text;
}

std::wstring FileName(const std::wstring& path) {
    return path.substr(path.find_last_of(L'\\') + 1);
}

std::string FileBytes(const std::wstring& path) {
    HANDLE file = SEAM_REAL(CreateFileW)(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, file) << "no file " << std::string(path.begin(), path.end());
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    EXPECT_TRUE(
        SEAM_REAL(ReadFile)(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr));
    SEAM_REAL(CloseHandle)(file);
    return bytes;
}

std::vector<std::wstring> MultiString(const BYTE* bytes, DWORD size) {
    std::vector<std::wstring> strings;
    const auto* text = reinterpret_cast<const wchar_t*>(bytes);
    const size_t units = size / sizeof(wchar_t);
    EXPECT_TRUE(units >= 2 && text[units - 1] == L'\0' && text[units - 2] == L'\0')
        << "a multi-string ends with two NULs";
    for (size_t at = 0; at < units && text[at] != L'\0'; at += strings.back().size() + 1) {
        strings.emplace_back(text + at);
    }
    return strings;
}

// A registered node not removed that carries the id, which Windows compares without regard to
// case.
bool PresentWithId(const SimulatedNode& node, const std::wstring& id) {
    return node.registered && !node.removed &&
           std::any_of(node.hardwareIds.begin(), node.hardwareIds.end(),
                       [&id](const std::wstring& own) { return wdfsim::SameText(own, id); });
}

CONFIGRET CopyText(const std::wstring& text, PWCHAR buffer, ULONG units) {
    if (units < text.size() + 1) {
        return CR_BUFFER_SMALL;
    }
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = L'\0';
    return CR_SUCCESS;
}

} // namespace

std::wstring BusInfPath() {
    wchar_t path[MAX_PATH];
    EXPECT_NE(0u, SEAM_REAL(GetFullPathNameW)(CONFERENCE_BUS_INF, MAX_PATH, path, nullptr));
    return path;
}

SimulatedNode RootNode(const std::wstring& instanceId, const GUID& classGuid,
                       const std::vector<std::wstring>& hardwareIds) {
    SimulatedNode node;
    node.instanceId = instanceId;
    node.classGuid = classGuid;
    node.hardwareIds = hardwareIds;
    return node;
}

// A device information set: the bus's interfaces, or device nodes by their index.
struct SimulatedBus::DeviceSet {
    std::vector<wdfsim::Interface> interfaces;
    std::vector<size_t> nodes;
};

SimulatedBus::SimulatedBus(size_t buses) {
    static unsigned scratchCount = 0;
    const std::wstring scratch = L"C:\\talvoren-client-scratch";
    windowsFolder_ = scratch + L"\\" + std::to_wstring(++scratchCount);
    for (const std::wstring& folder : {scratch, windowsFolder_, InfFolder()}) {
        CreateDirectoryW(folder.c_str(), nullptr);
    }
    seam::Reset();
    EXPECT_EQ(0, machine_.LoadDriver());
    for (size_t bus = 0; bus < buses; bus++) {
        EXPECT_EQ(0, machine_.AddBus(nullptr, InstalledBusProperties()));
        nodes_.push_back(
            RootNode(RootInstanceId(L"System", bus), SystemClass, {kit::BusHardwareId}));
        nodes_.back().bus = bus;
    }
    InstallInterfaceLookup();
    InstallDeviceTree();
    InstallFileCalls();
    InstallDeviceNodes();
    InstallDriverStore();
}

SimulatedBus::~SimulatedBus() {
    testsupport::ExpectEveryHandleReleased(seam::Calls());
    seam::Reset();
}

std::wstring SimulatedBus::Path(size_t bus) const {
    return machine_.Interfaces(kit::BusInterfaceClassText).at(bus).path;
}

void SimulatedBus::RunBesideBusInf() {
    SEAM_OVERRIDE(GetModuleFileNameW, [](HMODULE module, LPWSTR buffer, DWORD size) -> DWORD {
        if (module != nullptr) {
            return SEAM_REAL(GetModuleFileNameW)(module, buffer, size);
        }
        const std::wstring inf = BusInfPath();
        const std::wstring program =
            inf.substr(0, inf.find_last_of(L'\\') + 1) + L"ConferenceBusCtl.exe";
        EXPECT_LT(program.size(), size);
        std::copy(program.begin(), program.end(), buffer);
        buffer[program.size()] = L'\0';
        return static_cast<DWORD>(program.size());
    });
}

std::vector<SimulatedNode> SimulatedBus::BusNodes() const {
    std::vector<SimulatedNode> found;
    for (const SimulatedNode& node : nodes_) {
        if (PresentWithId(node, kit::BusHardwareId)) {
            found.push_back(node);
        }
    }
    return found;
}

bool SimulatedBus::BusPresent(size_t bus) const {
    return std::any_of(nodes_.begin(), nodes_.end(), [bus](const SimulatedNode& node) {
        return node.bus == bus && !node.removed;
    });
}

std::wstring SimulatedBus::StagePackage(const std::string& text, const std::wstring& originalName) {
    const std::wstring name = L"oem" + std::to_wstring(nextPackage_++) + L".inf";
    HANDLE file = SEAM_REAL(CreateFileW)((InfFolder() + L"\\" + name).c_str(), GENERIC_WRITE, 0,
                                         nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    EXPECT_TRUE(SEAM_REAL(WriteFile)(file, text.data(), static_cast<DWORD>(text.size()), &written,
                                     nullptr));
    SEAM_REAL(CloseHandle)(file);
    originalNames_[name] = originalName;
    return name;
}

std::vector<std::wstring> SimulatedBus::DriverStore() const {
    std::vector<std::wstring> names;
    for (const auto& [name, original] : originalNames_) {
        if (GetFileAttributesW((InfFolder() + L"\\" + name).c_str()) != INVALID_FILE_ATTRIBUTES) {
            names.push_back(name);
        }
    }
    return names;
}

SimulatedNode* SimulatedBus::NodeOf(HDEVINFO set, const SP_DEVINFO_DATA* device) {
    const auto& nodes = static_cast<DeviceSet*>(set)->nodes;
    if (device == nullptr || device->cbSize != sizeof(SP_DEVINFO_DATA) ||
        device->Reserved >= nodes.size()) {
        Fail(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return &nodes_[nodes[device->Reserved]];
}

void SimulatedBus::InstallInterfaceLookup() {
    SEAM_OVERRIDE(SetupDiGetClassDevsW, [this](const GUID* guid, PCWSTR enumerator, HWND,
                                               DWORD flags) {
        auto* set = new DeviceSet;
        if (guid != nullptr && IsEqualGUID(*guid, kit::BusInterfaceClass) &&
            flags == (DIGCF_PRESENT | DIGCF_DEVICEINTERFACE)) {
            for (const wdfsim::Interface& found : machine_.Interfaces(kit::BusInterfaceClassText)) {
                if (BusPresent(found.bus)) {
                    set->interfaces.push_back(found);
                }
            }
        } else {
            // The present root-enumerated nodes of every class.
            EXPECT_EQ(nullptr, guid);
            EXPECT_EQ(std::wstring(L"ROOT"), enumerator);
            EXPECT_EQ(static_cast<DWORD>(DIGCF_ALLCLASSES | DIGCF_PRESENT), flags);
            for (size_t node = 0; node < nodes_.size(); node++) {
                if (nodes_[node].registered && !nodes_[node].removed) {
                    set->nodes.push_back(node);
                }
            }
        }
        return static_cast<HDEVINFO>(set);
    });
    SEAM_OVERRIDE(SetupDiEnumDeviceInterfaces,
                  [](HDEVINFO set, PSP_DEVINFO_DATA, const GUID*, DWORD index,
                     PSP_DEVICE_INTERFACE_DATA data) -> BOOL {
                      const auto& interfaces = static_cast<DeviceSet*>(set)->interfaces;
                      if (index >= interfaces.size()) {
                          SetLastError(ERROR_NO_MORE_ITEMS);
                          return FALSE;
                      }
                      EXPECT_EQ(sizeof(SP_DEVICE_INTERFACE_DATA), data->cbSize);
                      data->InterfaceClassGuid = kit::BusInterfaceClass;
                      data->Flags = SPINT_ACTIVE;
                      data->Reserved = index;
                      return TRUE;
                  });
    SEAM_OVERRIDE(SetupDiGetDeviceInterfaceDetailW,
                  [this](HDEVINFO set, PSP_DEVICE_INTERFACE_DATA data,
                         PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail, DWORD size, PDWORD required,
                         PSP_DEVINFO_DATA device) -> BOOL {
                      const wdfsim::Interface& found =
                          static_cast<DeviceSet*>(set)->interfaces.at(data->Reserved);
                      const DWORD needed = static_cast<DWORD>(
                          offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) +
                          (found.path.size() + 1) * sizeof(WCHAR) + detailSlack_);
                      if (required != nullptr) {
                          *required = needed;
                      }
                      if (detail == nullptr || size < needed) {
                          SetLastError(ERROR_INSUFFICIENT_BUFFER);
                          return FALSE;
                      }
                      if (detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) ||
                          (device != nullptr && device->cbSize != sizeof(SP_DEVINFO_DATA))) {
                          SetLastError(ERROR_INVALID_USER_BUFFER);
                          return FALSE;
                      }
                      std::copy(found.path.begin(), found.path.end(), detail->DevicePath);
                      detail->DevicePath[found.path.size()] = L'\0';
                      if (device != nullptr) {
                          device->DevInst = static_cast<DEVINST>(BusNodeBase + found.bus);
                      }
                      return TRUE;
                  });
    SEAM_OVERRIDE(SetupDiDestroyDeviceInfoList, [](HDEVINFO set) -> BOOL {
        delete static_cast<DeviceSet*>(set);
        return TRUE;
    });
}

void SimulatedBus::InstallDeviceTree() {
    SEAM_OVERRIDE(CM_Get_Child, [this](PDEVINST child, DEVINST node, ULONG) -> CONFIGRET {
        const size_t bus = node - BusNodeBase;
        if (node < BusNodeBase || bus >= machine_.BusCount()) {
            return CR_INVALID_DEVNODE;
        }
        if (machine_.Children(bus).empty()) {
            return CR_NO_SUCH_DEVNODE;
        }
        *child = ChildNode(bus, 0);
        return CR_SUCCESS;
    });
    SEAM_OVERRIDE(CM_Get_Sibling, [this](PDEVINST sibling, DEVINST node, ULONG) -> CONFIGRET {
        const size_t next = PositionOfChild(node) + 1;
        if (next >= machine_.Children(BusOfChild(node)).size()) {
            return CR_NO_SUCH_DEVNODE;
        }
        *sibling = ChildNode(BusOfChild(node), next);
        return CR_SUCCESS;
    });
    // A child's device instance id is its device id and instance id.
    SEAM_OVERRIDE(
        CM_Get_Device_IDW, [this](DEVINST node, PWCHAR buffer, ULONG units, ULONG) -> CONFIGRET {
            const auto child = machine_.Children(BusOfChild(node)).at(PositionOfChild(node));
            return CopyText(child.deviceId + L"\\" + child.instanceId, buffer, units);
        });
    SEAM_OVERRIDE(CM_Get_DevNode_Registry_PropertyW,
                  [this](DEVINST node, ULONG property, PULONG type, PVOID buffer, PULONG length,
                         ULONG) -> CONFIGRET {
                      const auto child =
                          machine_.Children(BusOfChild(node)).at(PositionOfChild(node));
                      std::wstring text;
                      if (property == CM_DRP_DEVICEDESC) {
                          text = child.description;
                      } else if (property == CM_DRP_LOCATION_INFORMATION) {
                          text = child.location;
                      } else {
                          return CR_NO_SUCH_VALUE;
                      }
                      const ULONG bytes = static_cast<ULONG>((text.size() + 1) * sizeof(WCHAR));
                      if (*length < bytes) {
                          *length = bytes;
                          return CR_BUFFER_SMALL;
                      }
                      *type = REG_SZ;
                      *length = bytes;
                      return CopyText(text, static_cast<PWCHAR>(buffer), bytes / sizeof(WCHAR));
                  });
}

void SimulatedBus::InstallFileCalls() {
    // Plug and Play enumerates the bus soon after each request and each close; by the time a
    // caller looks, it has.
    SEAM_OVERRIDE(CreateFileW, [this](LPCWSTR name, DWORD access, DWORD share,
                                      LPSECURITY_ATTRIBUTES security, DWORD disposition,
                                      DWORD flags, HANDLE templateFile) {
        const std::wstring path(name);
        if (path.rfind(L"\\\\?\\ROOT#SYSTEM#", 0) != 0) {
            return SEAM_REAL(CreateFileW)(name, access, share, security, disposition, flags,
                                          templateFile);
        }
        wdfsim::HandleId id = 0;
        const wdfsim::Status status =
            administrator_ ? machine_.OpenPath(path, FileAccess(access), &id)
                           : static_cast<wdfsim::Status>(0xC0000022L); // STATUS_ACCESS_DENIED
        if (status < 0) {
            SetLastError(Win32Error(status));
            return INVALID_HANDLE_VALUE;
        }
        handles_[FakeHandle(id)] = id;
        return FakeHandle(id);
    });
    SEAM_OVERRIDE(DeviceIoControl,
                  [this](HANDLE handle, DWORD code, LPVOID input, DWORD inputLength, LPVOID output,
                         DWORD outputLength, LPDWORD returned, LPOVERLAPPED overlapped) -> BOOL {
                      if (!Owns(handle)) {
                          return SEAM_REAL(DeviceIoControl)(handle, code, input, inputLength,
                                                            output, outputLength, returned,
                                                            overlapped);
                      }
                      const auto* bytes = static_cast<const uint8_t*>(input);
                      requests_.emplace_back(bytes, bytes + (input != nullptr ? inputLength : 0));
                      const wdfsim::IoStatus result = machine_.DeviceControl(
                          handles_.at(handle), code, input, inputLength, output, outputLength);
                      machine_.RunPnp();
                      // An error status leaves the byte count unreported; a warning reports it with
                      // the error code (ERROR_MORE_DATA, for instance).
                      const bool error = (static_cast<uint32_t>(result.status) >> 30) == 3;
                      *returned = error ? 0 : static_cast<DWORD>(result.information);
                      if (result.status < 0) {
                          SetLastError(Win32Error(result.status));
                          return FALSE;
                      }
                      return TRUE;
                  });
    SEAM_OVERRIDE(CloseHandle, [this](HANDLE handle) -> BOOL {
        auto owned = handles_.find(handle);
        if (owned == handles_.end()) {
            return SEAM_REAL(CloseHandle)(handle);
        }
        machine_.Close(owned->second);
        handles_.erase(owned);
        machine_.RunPnp();
        return TRUE;
    });
}

void SimulatedBus::InstallDeviceNodes() {
    SEAM_OVERRIDE(SetupDiCreateDeviceInfoList,
                  [](const GUID*, HWND) { return static_cast<HDEVINFO>(new DeviceSet); });
    SEAM_OVERRIDE(SetupDiCreateDeviceInfoW,
                  [this](HDEVINFO set, PCWSTR name, const GUID* classGuid, PCWSTR, HWND,
                         DWORD flags, PSP_DEVINFO_DATA device) -> BOOL {
                      EXPECT_EQ(static_cast<DWORD>(DICD_GENERATE_ID), flags);
                      const size_t number = std::count_if(
                          nodes_.begin(), nodes_.end(), [name](const SimulatedNode& node) {
                              return node.instanceId.rfind(InstancePrefix(name), 0) == 0;
                          });
                      nodes_.push_back(RootNode(RootInstanceId(name, number), *classGuid, {}));
                      nodes_.back().registered = false;
                      auto& nodes = static_cast<DeviceSet*>(set)->nodes;
                      nodes.push_back(nodes_.size() - 1);
                      device->ClassGuid = *classGuid;
                      device->DevInst = 0;
                      device->Reserved = nodes.size() - 1;
                      return TRUE;
                  });
    SEAM_OVERRIDE(SetupDiSetDeviceRegistryPropertyW,
                  [this](HDEVINFO set, PSP_DEVINFO_DATA device, DWORD property, const BYTE* bytes,
                         DWORD size) -> BOOL {
                      SimulatedNode* node = NodeOf(set, device);
                      if (node == nullptr || property != SPDRP_HARDWAREID) {
                          return Fail(ERROR_INVALID_PARAMETER);
                      }
                      node->hardwareIds = MultiString(bytes, size);
                      return TRUE;
                  });
    SEAM_OVERRIDE(SetupDiEnumDeviceInfo,
                  [](HDEVINFO set, DWORD index, PSP_DEVINFO_DATA device) -> BOOL {
                      if (index >= static_cast<DeviceSet*>(set)->nodes.size()) {
                          return Fail(ERROR_NO_MORE_ITEMS);
                      }
                      if (device->cbSize != sizeof(SP_DEVINFO_DATA)) {
                          return Fail(ERROR_INVALID_USER_BUFFER);
                      }
                      device->Reserved = index;
                      return TRUE;
                  });
    SEAM_OVERRIDE(SetupDiGetDeviceRegistryPropertyW,
                  [this](HDEVINFO set, PSP_DEVINFO_DATA device, DWORD property, PDWORD type,
                         PBYTE buffer, DWORD size, PDWORD required) -> BOOL {
                      const SimulatedNode* node = NodeOf(set, device);
                      if (node == nullptr || property != SPDRP_HARDWAREID) {
                          return Fail(ERROR_INVALID_PARAMETER);
                      }
                      if (node->hardwareIds.empty()) {
                          return Fail(ERROR_INVALID_DATA); // the property is not set
                      }
                      std::wstring list;
                      for (const std::wstring& id : node->hardwareIds) {
                          list += id + L'\0';
                      }
                      list += L'\0';
                      const DWORD bytes = static_cast<DWORD>(list.size() * sizeof(wchar_t));
                      if (required != nullptr) {
                          *required = bytes;
                      }
                      if (size < bytes) {
                          return Fail(ERROR_INSUFFICIENT_BUFFER);
                      }
                      if (type != nullptr) {
                          *type = REG_MULTI_SZ;
                      }
                      std::copy(list.begin(), list.end(), reinterpret_cast<wchar_t*>(buffer));
                      return TRUE;
                  });
    // Removing a bus device that a program holds open is vetoed, and Windows then removes it
    // at the next restart.
    SEAM_OVERRIDE(SetupDiCallClassInstaller,
                  [this](DI_FUNCTION function, HDEVINFO set, PSP_DEVINFO_DATA device) -> BOOL {
                      SimulatedNode* node = NodeOf(set, device);
                      if (node == nullptr) {
                          return FALSE;
                      }
                      if (function == DIF_REGISTERDEVICE && !node->registered) {
                          node->registered = true;
                      } else if (function == DIF_REMOVE && node->registered && !node->removed) {
                          node->removedAtRestart =
                              node->bus != SIZE_MAX && machine_.OpenHandles() != 0;
                          node->removed = !node->removedAtRestart;
                      } else {
                          return Fail(ERROR_DI_DO_DEFAULT);
                      }
                      return TRUE;
                  });
    SEAM_OVERRIDE(
        SetupDiGetDeviceInstallParamsW,
        [this](HDEVINFO set, PSP_DEVINFO_DATA device, PSP_DEVINSTALL_PARAMS_W params) -> BOOL {
            const SimulatedNode* node = NodeOf(set, device);
            if (node == nullptr || params->cbSize != sizeof(SP_DEVINSTALL_PARAMS_W)) {
                return Fail(ERROR_INVALID_PARAMETER);
            }
            params->Flags = node->removedAtRestart ? DI_NEEDREBOOT : 0;
            return TRUE;
        });
    SEAM_OVERRIDE(
        UpdateDriverForPlugAndPlayDevicesW,
        [this](HWND, LPCWSTR hardwareId, LPCWSTR infPath, DWORD flags, PBOOL restart) -> BOOL {
            EXPECT_EQ(static_cast<DWORD>(INSTALLFLAG_FORCE), flags);
            return InstallDriver(hardwareId, infPath, restart);
        });
}

// Windows stages the package into the driver store, installs its driver on every present
// node with the hardware id, and the bus driver then adds the bus device of each new one.
BOOL SimulatedBus::InstallDriver(const std::wstring& hardwareId, const std::wstring& infPath,
                                 PBOOL restart) {
    std::vector<SimulatedNode*> matching;
    for (SimulatedNode& node : nodes_) {
        if (PresentWithId(node, hardwareId)) {
            matching.push_back(&node);
        }
    }
    if (matching.empty()) {
        return Fail(ERROR_NO_SUCH_DEVINST);
    }
    // A package that the store holds already, byte for byte, is not staged again.
    const std::string text = FileBytes(infPath);
    const std::wstring originalName = FileName(infPath);
    std::wstring package;
    for (const std::wstring& staged : DriverStore()) {
        if (wdfsim::SameText(originalNames_[staged], originalName) &&
            FileBytes(InfFolder() + L"\\" + staged) == text) {
            package = staged;
        }
    }
    if (package.empty()) {
        package = StagePackage(text, originalName);
    }
    const wdfsim::DeviceProperties properties =
        wdfsim::ReadInfModel(infPath, hardwareId, 19041).properties;
    for (SimulatedNode* node : matching) {
        node->package = package;
        if (node->bus == SIZE_MAX) {
            EXPECT_EQ(0, machine_.AddBus(&node->bus, properties));
        }
    }
    *restart = restartAfterInstall_ ? TRUE : FALSE;
    return TRUE;
}

void SimulatedBus::InstallDriverStore() {
    SEAM_OVERRIDE(GetSystemWindowsDirectoryW, [this](LPWSTR buffer, UINT size) -> UINT {
        if (size <= windowsFolder_.size()) {
            return static_cast<UINT>(windowsFolder_.size() + 1);
        }
        std::copy(windowsFolder_.begin(), windowsFolder_.end(), buffer);
        buffer[windowsFolder_.size()] = L'\0';
        return static_cast<UINT>(windowsFolder_.size());
    });
    // The name an INF had is kept in the driver store beside it.
    SEAM_OVERRIDE(
        SetupQueryInfOriginalFileInformationW,
        [this](PSP_INF_INFORMATION information, UINT index, PSP_ALTPLATFORM_INFO,
               PSP_ORIGINAL_FILE_INFO_W original) -> BOOL {
            wchar_t path[MAX_PATH];
            if (original->cbSize != sizeof(SP_ORIGINAL_FILE_INFO_W) ||
                !SetupQueryInfFileInformationW(information, index, path, MAX_PATH, nullptr)) {
                return Fail(ERROR_INVALID_PARAMETER);
            }
            const std::wstring name = originalNames_.at(FileName(path));
            wcscpy(original->OriginalInfName, name.c_str());
            original->OriginalCatalogName[0] = L'\0';
            return TRUE;
        });
    // Without SUOI_FORCEDELETE a package that a device uses stays.
    SEAM_OVERRIDE(SetupUninstallOEMInfW, [this](PCWSTR name, DWORD flags, PVOID) -> BOOL {
        const bool used =
            std::any_of(nodes_.begin(), nodes_.end(), [name](const SimulatedNode& node) {
                return !node.removed && node.package == name;
            });
        if (used && !(flags & SUOI_FORCEDELETE)) {
            return Fail(ERROR_INF_IN_USE_BY_DEVICES);
        }
        return SEAM_REAL(DeleteFileW)((InfFolder() + L"\\" + name).c_str());
    });
}
