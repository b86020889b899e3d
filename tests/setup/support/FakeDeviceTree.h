// A device tree for the SetupAPI device calls, as Windows keeps it: a set from
// SetupDiGetClassDevsW(DIGCF_PRESENT) lists the registered, present devices of its class
// and never an element that another set created but did not register. (Wine lists such
// elements too, which would make every install find its own new element.)
#pragma once

#include <windows.h>
#include <setupapi.h>

#include <map>
#include <string>
#include <vector>

namespace setuptest {

extern const GUID DisplayClass;
extern const wchar_t OurHardwareId[];

struct FakeDevice {
    std::vector<std::wstring> hardwareIds; // the REG_MULTI_SZ list, in order
    GUID classGuid = DisplayClass;
    bool present = true;
    bool removed = false; // by DIF_REMOVE
};

class FakeDeviceTree {
public:
    // Routes the device calls to this tree until the next seam::Reset().
    void Install();

    // The system's device nodes; DIF_REGISTERDEVICE appends to it.
    std::vector<FakeDevice> devices;

    // Device information sets made and not yet destroyed.
    std::size_t OpenSets() const { return sets.size(); }
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
