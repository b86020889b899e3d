#include "OutcomeRules.h"

#include <algorithm>
#include <iomanip>

std::ostream& operator<<(std::ostream& out, const Outcome& outcome) {
    return out << "status 0x" << std::hex << std::setw(8) << std::setfill('0')
               << static_cast<uint32_t>(outcome.status) << std::dec << ", information "
               << outcome.information;
}

namespace {

uint32_t Field(const Bytes& input, size_t offset) {
    uint32_t value;
    std::memcpy(&value, &input[offset], sizeof(value));
    return value;
}

Expectation Always(const char* row, Outcome outcome) {
    return {row, Effect::None, 0, {}, outcome, outcome, outcome};
}

// What Plug and Play would find wrong with the child the driver makes of the first id.
bool PlugAndPlayRefuses(const std::u16string& ids, uint32_t serial) {
    const std::wstring deviceId(ids.begin(), std::find(ids.begin(), ids.end(), u'\0'));
    return wdfsim::CheckChildIds(PlugAndPlayIdentity(deviceId, serial)).kind != 0;
}

} // namespace

Expectation Expect(ULONG code, const Bytes& input, size_t outputLength, bool outputPointer) {
    // The required access lies in bits 14-15; the I/O manager refuses what the handle lacks.
    if (((code >> 14) & FILE_WRITE_ACCESS) != 0) {
        return Always("access denied", {STATUS_ACCESS_DENIED, 0});
    }
    // A non-empty output buffer never receives more than it holds; one of length 0 passed with
    // a pointer gets 0.
    const auto fit = [outputLength, outputPointer](NTSTATUS status, uint64_t information) {
        const bool cut = outputLength != 0 ? information > outputLength : outputPointer;
        return Outcome(status, cut ? 0 : information);
    };
    const size_t length = input.size();

    if (code == IOCTL_BUS_PLUGIN_CHILD) {
        if (length < BUS_PLUGIN_INPUT_MINIMUM_SIZE) {
            return Always("plug-in short", fit(STATUS_BUFFER_TOO_SMALL, 0));
        }
        if (Field(input, 0) != BUS_PLUGIN_INPUT_FIXED_SIZE) {
            return Always("plug-in size", fit(STATUS_INVALID_PARAMETER, 0));
        }
        const size_t units = (length - BUS_PLUGIN_INPUT_FIXED_SIZE) / sizeof(char16_t);
        std::u16string ids(units, u'\0');
        std::memcpy(&ids[0], &input[BUS_PLUGIN_INPUT_FIXED_SIZE], units * sizeof(char16_t));
        if (ids[units - 1] != u'\0' || ids[units - 2] != u'\0') {
            return Always("plug-in unterminated", fit(STATUS_INVALID_PARAMETER, units));
        }
        if (PlugAndPlayRefuses(ids, Field(input, 4))) {
            return Always("plug-in id", fit(STATUS_INVALID_PARAMETER, units));
        }
        return {"plug-in",
                Effect::PlugIn,
                Field(input, 4),
                ids.substr(0, ids.find(u'\0')),
                fit(STATUS_SUCCESS, units),
                fit(STATUS_INVALID_PARAMETER, units),
                fit(BUS_STATUS_CHILD_BEING_REMOVED, units)};
    }

    if (code == IOCTL_BUS_UNPLUG_CHILD) {
        if (length < sizeof(BUS_UNPLUG_INPUT)) {
            return Always("unplug short", fit(STATUS_BUFFER_TOO_SMALL, 0));
        }
        if (Field(input, 0) != length) {
            return Always("unplug size", fit(STATUS_INVALID_PARAMETER, 0));
        }
        const uint32_t serial = Field(input, 4);
        const Outcome done = fit(STATUS_SUCCESS, length);
        if (serial == BUS_UNPLUG_ALL_CHILDREN) {
            return {"unplug all", Effect::UnplugAll, serial, {}, done, done, done};
        }
        const Outcome refused = fit(STATUS_INVALID_PARAMETER, length);
        return {"unplug", Effect::Unplug, serial, {}, done, refused, refused};
    }

    return Always("other code", fit(STATUS_INVALID_PARAMETER, 0));
}
