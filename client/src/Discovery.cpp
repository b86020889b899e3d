// Finding the present buses through their interface class.

#include <windows.h>

#include <initguid.h>
#include <setupapi.h>

#include "DeviceSet.h"
#include "Interface.h"
#include "Messages.h"

namespace conferencebus {

namespace {

// The interface's path and device node; the detail record's size is asked for first.
BusError ReadInterface(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* data, BusInterface* bus) {
    DWORD required = 0;
    if (!SetupDiGetDeviceInterfaceDetailW(set, data, nullptr, 0, &required, nullptr) &&
        GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        return messages::StepFailed(L"SetupDiGetDeviceInterfaceDetail");
    }
    std::vector<DWORD> storage(required / sizeof(DWORD) + 1);
    auto* detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_W>(storage.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    if (!SetupDiGetDeviceInterfaceDetailW(set, data, detail, storage.size() * sizeof(DWORD),
                                          nullptr, &device)) {
        return messages::StepFailed(L"SetupDiGetDeviceInterfaceDetail");
    }
    *bus = {detail->DevicePath, device.DevInst};
    return {};
}

} // namespace

BusError EnumerateBuses(std::vector<BusInterface>* buses) {
    buses->clear();
    DeviceSet set;
    set.Reset(SetupDiGetClassDevsW(&GUID_DEVINTERFACE_CONFERENCE_BUS, nullptr, nullptr,
                                   DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
    if (!set.Valid()) {
        return messages::StepFailed(L"SetupDiGetClassDevs");
    }
    BusError result;
    for (DWORD index = 0; !result.Failed(); index++) {
        SP_DEVICE_INTERFACE_DATA data{};
        data.cbSize = sizeof(data);
        if (!SetupDiEnumDeviceInterfaces(set.Handle(), nullptr, &GUID_DEVINTERFACE_CONFERENCE_BUS,
                                         index, &data)) {
            const DWORD error = GetLastError();
            if (error != ERROR_NO_MORE_ITEMS) {
                result = messages::StepFailed(L"SetupDiEnumDeviceInterfaces", error);
            }
            break;
        }
        BusInterface bus;
        result = ReadInterface(set.Handle(), &data, &bus);
        if (!result.Failed()) {
            buses->push_back(bus);
        }
    }
    return result;
}

BusError FindBuses(std::vector<std::wstring>* paths) {
    std::vector<BusInterface> buses;
    const BusError result = EnumerateBuses(&buses);
    paths->clear();
    for (const BusInterface& bus : buses) {
        paths->push_back(bus.path);
    }
    return result;
}

} // namespace conferencebus
