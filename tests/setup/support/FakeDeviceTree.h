// A device tree for the SetupAPI device calls, as Windows keeps it: a set from
// SetupDiGetClassDevsW(DIGCF_PRESENT) lists the registered, present devices of its class
// and never an element that another set created but did not register. (Wine lists such
// elements too, which would make every install find its own new element.)
#pragma once

#include "KitFacts.h"

#include <windows.h>
#include <setupapi.h>

#include <map>
#include <string>
#include <vector>

namespace setuptest {

// Another vendor's display adapter, which shares the display class with our node.
inline constexpr wchar_t PciDisplay[] = L"PCI\\VEN_1234&DEV_1111";

struct FakeDevice {
    std::vector<std::wstring> hardwareIds; // the REG_MULTI_SZ list, in order
    GUID classGuid = kit::DisplayClass;
    bool present = true;
    bool removed = false; // by DIF_REMOVE
    // The hardware-id property's bytes as the registry holds them, when they are not the
    // REG_MULTI_SZ of `hardwareIds` (which then only names the device).
    std::vector<BYTE> property = {};
};

// What a failing platform call does: sets `error` as the last-error code, returns FALSE.
BOOL Fail(DWORD error);

// The UTF-16 bytes of a text, without a terminator.
std::vector<BYTE> Bytes(const std::wstring& text);

// Devices for the 600-byte read of the hardware ids: one whose id and terminators fill
// it, and two whose property lacks its terminators, one filling the 600 bytes and one
// holding our id, for after a longer id.
FakeDevice WithLongestId();
FakeDevice FillingWithoutTerminators();
FakeDevice OursWithoutTerminators();

class FakeDeviceTree {
public:
    // Routes the device calls to this tree until the next seam::Reset().
    void Install();

    // The system's device nodes; DIF_REGISTERDEVICE appends to it.
    std::vector<FakeDevice> devices;

    // The hardware-id property bytes written to each created element, in order.
    std::vector<std::vector<BYTE>> writtenHardwareIds;

private:
    struct Element {
        int device = -1;                  // index in `devices` once it is a device node
        std::vector<BYTE> hardwareIdList; // of an element not registered yet
    };
    struct Set {
        GUID classGuid;
        std::vector<Element> elements;
    };

    HDEVINFO NewSet(const GUID& classGuid);
    Element* Find(HDEVINFO set, const SP_DEVINFO_DATA* data);
    static bool FillRecord(const Set& set, DWORD index, SP_DEVINFO_DATA* data);

    std::map<HDEVINFO, Set> sets;
    UINT_PTR nextHandle = 0x5E70001;
};

} // namespace setuptest
