// Device ids at the boundaries of the rules Plug and Play applies to a child's ids. The
// driver's tests and the client's tests both walk this table: the bus must refuse exactly
// the ids the client refuses before sending them.
//
// Include after ConferenceBusPublic.h.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

struct DeviceIdCase {
    const char* name;
    std::wstring id;
    unsigned long serialNumber;
    BUS_ID_VERDICT verdict;
};

// "FENWAREL\" padded with 'A' to the length asked for.
inline std::wstring DeviceIdOfLength(size_t length) {
    std::wstring id = L"FENWAREL\\";
    id.resize(length, L'A');
    return id;
}

inline const std::vector<DeviceIdCase>& DeviceIdCases() {
    // The instance id of serial 7 is "07", of 100 "100", of 4294967295 "-1" and of
    // 2147483648 "-2147483648": 171 characters of device and instance id at the most.
    static const std::vector<DeviceIdCase> cases = {
        {"plain", L"FENWAREL\\CAM_01", 7, BusIdAccepted},
        {"empty", L"", 7, BusIdEmpty},
        {"space", L"FENWAREL\\CAM 1", 7, BusIdForbiddenCharacter},
        {"control character", L"FENWAREL\\CAM\x1f", 7, BusIdForbiddenCharacter},
        {"lowest allowed", L"FENWAREL\\CAM!", 7, BusIdAccepted},
        {"highest allowed", L"FENWAREL\\CAM\x7f", 7, BusIdAccepted},
        {"above 0x7F", L"FENWAREL\\CAM\x80", 7, BusIdForbiddenCharacter},
        {"umlaut", L"FENWAREL\\KAMERA_\x00c4", 7, BusIdForbiddenCharacter},
        {"surrogate pair", L"FENWAREL\\CAM\xd83d\xdcf7", 7, BusIdForbiddenCharacter},
        {"comma", L"FENWAREL\\CAM,1", 7, BusIdForbiddenCharacter},
        {"no enumerator", L"CAM_01", 7, BusIdNotEnumeratorForm},
        {"empty enumerator", L"\\CAM_01", 7, BusIdNotEnumeratorForm},
        {"empty rest", L"FENWAREL\\", 7, BusIdNotEnumeratorForm},
        {"two separators", L"FENWAREL\\CAM\\01", 7, BusIdNotEnumeratorForm},
        {"longest for 07", DeviceIdOfLength(169), 7, BusIdAccepted},
        {"too long for 07", DeviceIdOfLength(170), 7, BusIdInstancePathTooLong},
        {"longest for 100", DeviceIdOfLength(168), 100, BusIdAccepted},
        {"too long for 100", DeviceIdOfLength(169), 100, BusIdInstancePathTooLong},
        {"longest for -1", DeviceIdOfLength(169), 4294967295UL, BusIdAccepted},
        {"longest for -2147483648", DeviceIdOfLength(160), 2147483648UL, BusIdAccepted},
        {"too long for -2147483648", DeviceIdOfLength(161), 2147483648UL, BusIdInstancePathTooLong},
        {"longest id", DeviceIdOfLength(199), 7, BusIdInstancePathTooLong},
        {"too long as any id", DeviceIdOfLength(200), 7, BusIdTooLong},
    };
    return cases;
}

} // namespace testsupport
