#include "FakeDeviceTree.h"

#include "Seam.h"

#include <gtest/gtest.h>

#include <cstring>

namespace setuptest {

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

std::vector<BYTE> Bytes(const std::wstring& text) {
    const auto* bytes = reinterpret_cast<const BYTE*>(text.data());
    return std::vector<BYTE>(bytes, bytes + text.size() * sizeof(wchar_t));
}

FakeDevice WithLongestId() {
    return {{std::wstring(298, L'A')}};
}

FakeDevice FillingWithoutTerminators() {
    const std::wstring filling(300, L'L');
    return {{filling}, kit::DisplayClass, true, false, Bytes(filling)};
}

FakeDevice OursWithoutTerminators() {
    return {{kit::HardwareId}, kit::DisplayClass, true, false, Bytes(kit::HardwareId)};
}

namespace {

std::vector<BYTE> MultiString(const std::vector<std::wstring>& strings) {
    std::wstring list;
    for (const std::wstring& s : strings) {
        list += s;
        list += L'\0';
    }
    return Bytes(list + L'\0');
}

std::vector<std::wstring> Strings(const std::vector<BYTE>& multiString) {
    std::vector<std::wstring> strings;
    const auto* text = reinterpret_cast<const wchar_t*>(multiString.data());
    const std::size_t units = multiString.size() / sizeof(wchar_t);
    for (std::size_t at = 0; at < units && text[at] != L'\0'; at += strings.back().size() + 1) {
        strings.emplace_back(text + at);
    }
    return strings;
}

} // namespace

HDEVINFO FakeDeviceTree::NewSet(const GUID& classGuid) {
    const auto handle = reinterpret_cast<HDEVINFO>(nextHandle++);
    sets[handle] = Set{classGuid, {}};
    return handle;
}

FakeDeviceTree::Element* FakeDeviceTree::Find(HDEVINFO set, const SP_DEVINFO_DATA* data) {
    auto found = sets.find(set);
    if (found == sets.end() || !data || data->DevInst == 0 ||
        data->DevInst > found->second.elements.size()) {
        return nullptr;
    }
    return &found->second.elements[data->DevInst - 1];
}

bool FakeDeviceTree::FillRecord(const Set& set, DWORD index, SP_DEVINFO_DATA* data) {
    if (!data || data->cbSize != sizeof(SP_DEVINFO_DATA)) {
        return Fail(ERROR_INVALID_USER_BUFFER);
    }
    data->ClassGuid = set.classGuid;
    data->DevInst = index + 1;
    data->Reserved = 0;
    return true;
}

void FakeDeviceTree::Install() {
    SEAM_OVERRIDE(SetupDiCreateDeviceInfoList,
                  [this](const GUID* classGuid, HWND) { return NewSet(*classGuid); });
    SEAM_OVERRIDE(SetupDiCreateDeviceInfoW,
                  [this](HDEVINFO set, PCWSTR, const GUID*, PCWSTR, HWND, DWORD,
                         PSP_DEVINFO_DATA data) -> BOOL {
                      auto found = sets.find(set);
                      if (found == sets.end()) {
                          return Fail(ERROR_INVALID_HANDLE);
                      }
                      found->second.elements.emplace_back();
                      return FillRecord(found->second,
                                        static_cast<DWORD>(found->second.elements.size() - 1),
                                        data);
                  });
    SEAM_OVERRIDE(SetupDiSetDeviceRegistryPropertyW,
                  [this](HDEVINFO set, PSP_DEVINFO_DATA data, DWORD property, const BYTE* buffer,
                         DWORD size) -> BOOL {
                      Element* element = Find(set, data);
                      if (!element || property != SPDRP_HARDWAREID) {
                          return Fail(ERROR_INVALID_PARAMETER);
                      }
                      element->hardwareIdList.assign(buffer, buffer + size);
                      writtenHardwareIds.push_back(element->hardwareIdList);
                      return TRUE;
                  });
    SEAM_OVERRIDE(SetupDiGetClassDevsW, [this](const GUID* classGuid, PCWSTR, HWND, DWORD flags) {
        EXPECT_EQ(flags, static_cast<DWORD>(DIGCF_PRESENT));
        const HDEVINFO set = NewSet(*classGuid);
        for (std::size_t i = 0; i < devices.size(); ++i) {
            const FakeDevice& device = devices[i];
            if (device.present && !device.removed && IsEqualGUID(device.classGuid, *classGuid)) {
                sets[set].elements.push_back(Element{static_cast<int>(i), {}});
            }
        }
        return set;
    });
    // Windows does not promise the last-error code after a successful call, and Wine's
    // enumeration leaves an old one in place: this one leaves the most misleading code.
    SEAM_OVERRIDE(SetupDiEnumDeviceInfo,
                  [this](HDEVINFO set, DWORD index, PSP_DEVINFO_DATA data) -> BOOL {
                      auto found = sets.find(set);
                      if (found == sets.end()) {
                          return Fail(ERROR_INVALID_HANDLE);
                      }
                      if (index >= found->second.elements.size()) {
                          return Fail(ERROR_NO_MORE_ITEMS);
                      }
                      const bool described = FillRecord(found->second, index, data);
                      SetLastError(described ? ERROR_NO_MORE_ITEMS : GetLastError());
                      return described;
                  });
    SEAM_OVERRIDE(SetupDiGetDeviceRegistryPropertyW,
                  // The program reads the ids of the devices it enumerates, into a buffer of a
                  // fixed size, asking for neither the type nor the size needed.
                  [this](HDEVINFO set, PSP_DEVINFO_DATA data, DWORD property, PDWORD, PBYTE buffer,
                         DWORD size, PDWORD) -> BOOL {
                      Element* element = Find(set, data);
                      if (!element || element->device < 0 || property != SPDRP_HARDWAREID) {
                          return Fail(ERROR_INVALID_PARAMETER);
                      }
                      const FakeDevice& device = devices[element->device];
                      const std::vector<BYTE> list = device.property.empty()
                                                         ? MultiString(device.hardwareIds)
                                                         : device.property;
                      if (list.size() > size) {
                          return Fail(ERROR_INSUFFICIENT_BUFFER);
                      }
                      std::memcpy(buffer, list.data(), list.size());
                      return TRUE;
                  });
    SEAM_OVERRIDE(SetupDiCallClassInstaller,
                  [this](DI_FUNCTION function, HDEVINFO set, PSP_DEVINFO_DATA data) -> BOOL {
                      Element* element = Find(set, data);
                      if (!element) {
                          return Fail(ERROR_INVALID_PARAMETER);
                      }
                      if (function == DIF_REGISTERDEVICE && element->device < 0) {
                          devices.push_back(FakeDevice{Strings(element->hardwareIdList),
                                                       sets[set].classGuid, true, false});
                          element->device = static_cast<int>(devices.size() - 1);
                          return TRUE;
                      }
                      if (function == DIF_REMOVE && element->device >= 0) {
                          // The element stays in the set: later indexes do not shift.
                          devices[element->device].removed = true;
                          return TRUE;
                      }
                      return Fail(ERROR_DI_DO_DEFAULT);
                  });
    SEAM_OVERRIDE(SetupDiDestroyDeviceInfoList, [this](HDEVINFO set) -> BOOL {
        if (sets.erase(set) == 0) {
            ADD_FAILURE() << "a device information set destroyed twice, or never made";
            return Fail(ERROR_INVALID_HANDLE);
        }
        return TRUE;
    });
}

} // namespace setuptest
