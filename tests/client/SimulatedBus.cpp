#include "SimulatedBus.h"

#include <cfgmgr32.h>
#include <setupapi.h>

#include <gtest/gtest.h>

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

CONFIGRET CopyText(const std::wstring& text, PWCHAR buffer, ULONG units) {
    if (units < text.size() + 1) {
        return CR_BUFFER_SMALL;
    }
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = L'\0';
    return CR_SUCCESS;
}

} // namespace

SimulatedBus::SimulatedBus(size_t buses) {
    seam::Reset();
    EXPECT_EQ(0, machine_.LoadDriver());
    for (size_t bus = 0; bus < buses; bus++) {
        EXPECT_EQ(0, machine_.AddBus(nullptr, InstalledBusProperties()));
    }
    InstallInterfaceLookup();
    InstallDeviceTree();
    InstallFileCalls();
}

SimulatedBus::~SimulatedBus() {
    testsupport::ExpectEveryHandleReleased(seam::Calls());
    seam::Reset();
}

std::wstring SimulatedBus::Path(size_t bus) const {
    return machine_.Interfaces(kit::BusInterfaceClassText).at(bus).path;
}

void SimulatedBus::InstallInterfaceLookup() {
    SEAM_OVERRIDE(SetupDiGetClassDevsW,
                  [this](const GUID* guid, PCWSTR enumerator, HWND parent, DWORD flags) {
                      if (guid == nullptr || !IsEqualGUID(*guid, kit::BusInterfaceClass) ||
                          !(flags & DIGCF_DEVICEINTERFACE)) {
                          return SEAM_REAL(SetupDiGetClassDevsW)(guid, enumerator, parent, flags);
                      }
                      return static_cast<HDEVINFO>(
                          new Interfaces(machine_.Interfaces(kit::BusInterfaceClassText)));
                  });
    SEAM_OVERRIDE(SetupDiEnumDeviceInterfaces,
                  [](HDEVINFO set, PSP_DEVINFO_DATA, const GUID*, DWORD index,
                     PSP_DEVICE_INTERFACE_DATA data) -> BOOL {
                      const auto& interfaces = *static_cast<Interfaces*>(set);
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
                          static_cast<Interfaces*>(set)->at(data->Reserved);
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
        delete static_cast<Interfaces*>(set);
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
