// The present bus devices, and the INF fields and texts that installation and removal share.

#include "Installer.h"
#include "Messages.h"

namespace conferencebus {

namespace {

// The device's hardware ids; none when it has no such property.
BusError HardwareIds(HDEVINFO set, SP_DEVINFO_DATA* device, std::vector<std::wstring>* ids) {
    ids->clear();
    std::vector<BYTE> list(512);
    DWORD required = 0;
    BOOL read = FALSE;
    while (!(read = SetupDiGetDeviceRegistryPropertyW(set, device, SPDRP_HARDWAREID, nullptr,
                                                      list.data(), static_cast<DWORD>(list.size()),
                                                      &required)) &&
           GetLastError() == ERROR_INSUFFICIENT_BUFFER && required > list.size()) {
        list.resize(required);
    }
    if (!read) {
        return GetLastError() == ERROR_INVALID_DATA ? BusError{}
                                                    : messages::StepFailed(messages::LookingForBus);
    }
    // A REG_MULTI_SZ: strings each ended by a NUL, the list by one more; a list cut short
    // still ends at the buffer's end.
    const auto* text = reinterpret_cast<const wchar_t*>(list.data());
    const size_t units = required / sizeof(wchar_t);
    for (size_t at = 0; at < units && text[at] != L'\0';) {
        const size_t length = wcsnlen(text + at, units - at);
        ids->emplace_back(text + at, length);
        at += length + 1;
    }
    return {};
}

} // namespace

bool SameName(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

BusError FindBusDevices(DeviceSet* set, std::vector<SP_DEVINFO_DATA>* devices) {
    devices->clear();
    // The bus is root-enumerated; a bus device of any class counts, so that an install never
    // adds a second one beside a device that an older INF put in another class.
    set->Reset(SetupDiGetClassDevsW(nullptr, L"ROOT", nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT));
    if (!set->Valid()) {
        return messages::StepFailed(messages::LookingForBus);
    }
    for (DWORD index = 0;; index++) {
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof(device);
        if (!SetupDiEnumDeviceInfo(set->Handle(), index, &device)) {
            return GetLastError() == ERROR_NO_MORE_ITEMS
                       ? BusError{}
                       : messages::StepFailed(messages::LookingForBus);
        }
        std::vector<std::wstring> ids;
        const BusError read = HardwareIds(set->Handle(), &device, &ids);
        if (read.Failed()) {
            return read;
        }
        for (const std::wstring& id : ids) {
            if (SameName(id, BusHardwareId)) {
                devices->push_back(device);
                break;
            }
        }
    }
}

DWORD ReadField(INFCONTEXT* line, DWORD field, std::wstring* text) {
    DWORD required = 0;
    if (!SetupGetStringFieldW(line, field, nullptr, 0, &required)) {
        return GetLastError();
    }
    std::vector<wchar_t> buffer(required + 1);
    if (!SetupGetStringFieldW(line, field, buffer.data(), static_cast<DWORD>(buffer.size()),
                              nullptr)) {
        return GetLastError();
    }
    text->assign(buffer.data());
    return ERROR_SUCCESS;
}

namespace messages {

std::wstring NotTheBusPackage(const std::wstring& infPath) {
    return infPath + L" is not the bus's driver package: its models name no " + BusHardwareId;
}

std::wstring RollbackFailed(const std::wstring& failure, DWORD code) {
    return failure + L"; " + Failed(L"removing the bus device it created", code);
}

std::wstring Opening(const std::wstring& path) {
    return L"opening " + path;
}

std::wstring Reading(const std::wstring& path) {
    return L"reading " + path;
}

std::wstring RemovingPackage(const std::wstring& infName) {
    return L"removing the driver package " + infName;
}

} // namespace messages

} // namespace conferencebus
