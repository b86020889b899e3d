// The plug-in record and the checks of its hardware ids.

#include <cstring>

#include "Interface.h"
#include "Messages.h"

namespace conferencebus {

std::vector<BYTE> PlugInRecord(ULONG serialNumber, const std::vector<std::wstring>& hardwareIds) {
    std::wstring units;
    for (const std::wstring& id : hardwareIds) {
        units += id;
        units.push_back(L'\0');
    }
    // The multi-string's final NUL.
    units.push_back(L'\0');

    std::vector<BYTE> record(BUS_PLUGIN_INPUT_FIXED_SIZE + units.size() * sizeof(WCHAR));
    auto* input = reinterpret_cast<PBUS_PLUGIN_INPUT>(record.data());
    input->Size = BUS_PLUGIN_INPUT_FIXED_SIZE;
    input->SerialNumber = serialNumber;
    std::memcpy(record.data() + BUS_PLUGIN_INPUT_FIXED_SIZE, units.data(),
                units.size() * sizeof(WCHAR));
    return record;
}

BusError CheckHardwareIds(const std::vector<std::wstring>& hardwareIds) {
    if (hardwareIds.empty()) {
        return {ERROR_INVALID_PARAMETER, messages::NoHardwareId()};
    }
    for (size_t index = 0; index < hardwareIds.size(); index++) {
        const std::wstring& id = hardwareIds[index];
        const size_t position = index + 1;
        if (id.empty()) {
            return {ERROR_INVALID_PARAMETER, messages::EmptyHardwareId(position)};
        }
        // A NUL would end the id early and start another inside the multi-string.
        if (id.find(L'\0') != std::wstring::npos) {
            return {ERROR_INVALID_PARAMETER, messages::NulInHardwareId(position)};
        }
        if (id.size() > MaxHardwareIdLength) {
            return {ERROR_INVALID_PARAMETER,
                    messages::LongHardwareId(position, MaxHardwareIdLength)};
        }
    }
    return {};
}

} // namespace conferencebus
