// What Plug and Play demands of the ids a bus reports for its children. Written from Windows'
// rules, not from the driver's: the driver tests show that the two agree at the boundaries.
// Where Windows' documentation leaves room, the checks take the stricter reading.

#include "wdfsim/State.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace wdfsim {

namespace {

// MAX_DEVICE_ID_LEN counts the terminator.
constexpr size_t MaxDeviceIdLength = 200;
// Plug and Play prefixes an instance id that is not unique with the parent's id prefix.
constexpr size_t MaxDeviceAndInstanceIdLength = MaxDeviceIdLength - 28;

constexpr ULONG DeviceIdKind = 1;
constexpr ULONG InstanceIdKind = 2;
constexpr ULONG HardwareIdKind = 3;

std::string Escaped(const std::wstring& text) {
    std::string escaped;
    for (wchar_t unit : text) {
        if (unit > L' ' && unit < 0x7F) {
            escaped += static_cast<char>(unit);
        } else {
            char code[8];
            std::snprintf(code, sizeof(code), "\\x%04X", static_cast<unsigned>(unit));
            escaped += code;
        }
    }
    return escaped;
}

const char* KindName(ULONG kind) {
    return kind == DeviceIdKind     ? "device id"
           : kind == InstanceIdKind ? "instance id"
                                    : "hardware id";
}

// Every id: characters above space, at most 0x7F, no comma; non-empty, since an empty string
// would end a multi-string early; shorter than MAX_DEVICE_ID_LEN.
IdFinding CheckId(ULONG kind, const std::wstring& id) {
    const std::string named = std::string(KindName(kind)) + " \"" + Escaped(id) + "\"";
    for (size_t index = 0; index < id.size(); index++) {
        const wchar_t unit = id[index];
        if (unit <= L' ' || unit > 0x7F || unit == L',') {
            char character[48];
            std::snprintf(character, sizeof(character), " holds character 0x%04X at %zu",
                          static_cast<unsigned>(unit), index);
            return {kind, named + character};
        }
    }
    if (id.empty()) {
        return {kind, named + " is empty"};
    }
    if (id.size() >= MaxDeviceIdLength) {
        return {kind, named + " is not shorter than MAX_DEVICE_ID_LEN"};
    }
    return {};
}

} // namespace

IdFinding CheckChildIds(const PdoIdentity& identity) {
    IdFinding finding = CheckId(DeviceIdKind, identity.deviceId);
    if (finding.kind != 0) {
        return finding;
    }
    // The device instance path is enumerator\device\instance, three levels of the registry's
    // Enum tree: the device id holds exactly one backslash, with something on either side.
    const size_t separator = identity.deviceId.find(L'\\');
    if (separator == 0 || separator == std::wstring::npos ||
        separator + 1 == identity.deviceId.size() ||
        identity.deviceId.find(L'\\', separator + 1) != std::wstring::npos) {
        return {DeviceIdKind, "device id \"" + Escaped(identity.deviceId) +
                                  "\" is not of the form enumerator\\device"};
    }
    finding = CheckId(InstanceIdKind, identity.instanceId);
    if (finding.kind != 0) {
        return finding;
    }
    if (identity.instanceId.find(L'\\') != std::wstring::npos) {
        return {InstanceIdKind,
                "instance id \"" + Escaped(identity.instanceId) + "\" holds a backslash"};
    }
    // The children here never declare their instance ids unique, so the limit of prefixed
    // instance ids applies to every child.
    if (identity.deviceId.size() + identity.instanceId.size() >= MaxDeviceAndInstanceIdLength) {
        return {InstanceIdKind, "device id and instance id of " + InstancePath(identity) +
                                    " are not shorter than MAX_DEVICE_ID_LEN - 28 together"};
    }
    for (const std::wstring& hardwareId : identity.hardwareIds) {
        finding = CheckId(HardwareIdKind, hardwareId);
        if (finding.kind != 0) {
            return finding;
        }
    }
    return {};
}

bool SameDeviceInstance(const PdoIdentity& first, const PdoIdentity& second) {
    return SameText(first.deviceId + L"\\" + first.instanceId,
                    second.deviceId + L"\\" + second.instanceId);
}

std::string InstancePath(const PdoIdentity& identity) {
    return "\"" + Escaped(identity.deviceId + L"\\" + identity.instanceId) + "\"";
}

void PnpFatalError(ULONG parameter1, ULONG parameter4, const std::string& rule) {
    ++Current().fatalErrors;
    ADD_FAILURE() << "bug check 0xCA PNP_DETECTED_FATAL_ERROR (" << parameter1 << ", -, -, "
                  << parameter4 << "): " << rule;
}

} // namespace wdfsim
