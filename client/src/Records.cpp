// The plug-in record and the checks of a request's arguments.

#include <cstring>

#include "Interface.h"
#include "Messages.h"

namespace conferencebus {

std::wstring MultiString(const std::vector<std::wstring>& strings) {
    std::wstring units;
    for (const std::wstring& text : strings) {
        units += text;
        units.push_back(L'\0');
    }
    units.push_back(L'\0');
    return units;
}

std::vector<BYTE> PlugInRecord(ULONG serialNumber, const std::vector<std::wstring>& hardwareIds) {
    const std::wstring units = MultiString(hardwareIds);

    std::vector<BYTE> record(BUS_PLUGIN_INPUT_FIXED_SIZE + units.size() * sizeof(WCHAR));
    auto* input = reinterpret_cast<PBUS_PLUGIN_INPUT>(record.data());
    input->Size = BUS_PLUGIN_INPUT_FIXED_SIZE;
    input->SerialNumber = serialNumber;
    std::memcpy(record.data() + BUS_PLUGIN_INPUT_FIXED_SIZE, units.data(),
                units.size() * sizeof(WCHAR));
    return record;
}

BusError CheckHardwareIds(ULONG serialNumber, const std::vector<std::wstring>& hardwareIds) {
    if (hardwareIds.empty()) {
        return {ERROR_INVALID_PARAMETER, messages::NoHardwareId()};
    }
    for (size_t index = 0; index < hardwareIds.size(); index++) {
        const std::wstring& id = hardwareIds[index];
        // A NUL is a forbidden character too, which also keeps it from splitting the
        // multi-string into other ids.
        SIZE_T position = 0;
        const BUS_ID_VERDICT verdict =
            index == 0 ? BusCheckDeviceId(id.c_str(), id.size(), serialNumber, &position)
                       : BusCheckHardwareId(id.c_str(), id.size(), &position);
        if (verdict != BusIdAccepted) {
            return {ERROR_INVALID_PARAMETER,
                    messages::RefusedId(verdict, index + 1, id, position, serialNumber)};
        }
    }
    return {};
}

BusError CheckUnplugSerial(ULONG serialNumber) {
    if (serialNumber == BUS_UNPLUG_ALL_CHILDREN) {
        return {ERROR_INVALID_PARAMETER, messages::SerialZeroAlone()};
    }
    return {};
}

} // namespace conferencebus
