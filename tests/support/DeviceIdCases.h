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
    const char* name; // a test name as it stands
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
        {"Plain", L"FENWAREL\\CAM_01", 7, BusIdAccepted},
        {"Empty", L"", 7, BusIdEmpty},
        {"Space", L"FENWAREL\\CAM 1", 7, BusIdForbiddenCharacter},
        {"ControlCharacter", L"FENWAREL\\CAM\x1f", 7, BusIdForbiddenCharacter},
        {"LowestAllowed", L"FENWAREL\\CAM!", 7, BusIdAccepted},
        {"HighestAllowed", L"FENWAREL\\CAM\x7f", 7, BusIdAccepted},
        {"Above0x7F", L"FENWAREL\\CAM\x80", 7, BusIdForbiddenCharacter},
        {"Umlaut", L"FENWAREL\\KAMERA_\x00c4", 7, BusIdForbiddenCharacter},
        {"SurrogatePair", L"FENWAREL\\CAM\xd83d\xdcf7", 7, BusIdForbiddenCharacter},
        {"Comma", L"FENWAREL\\CAM,1", 7, BusIdForbiddenCharacter},
        {"NoEnumerator", L"CAM_01", 7, BusIdNotEnumeratorForm},
        {"EmptyEnumerator", L"\\CAM_01", 7, BusIdNotEnumeratorForm},
        {"EmptyRest", L"FENWAREL\\", 7, BusIdNotEnumeratorForm},
        {"TwoSeparators", L"FENWAREL\\CAM\\01", 7, BusIdNotEnumeratorForm},
        {"LongestFor07", DeviceIdOfLength(169), 7, BusIdAccepted},
        {"TooLongFor07", DeviceIdOfLength(170), 7, BusIdInstancePathTooLong},
        {"LongestFor100", DeviceIdOfLength(168), 100, BusIdAccepted},
        {"TooLongFor100", DeviceIdOfLength(169), 100, BusIdInstancePathTooLong},
        {"LongestForMinus1", DeviceIdOfLength(169), 4294967295UL, BusIdAccepted},
        {"LongestForMinus2147483648", DeviceIdOfLength(160), 2147483648UL, BusIdAccepted},
        {"TooLongForMinus2147483648", DeviceIdOfLength(161), 2147483648UL,
         BusIdInstancePathTooLong},
        {"LongestId", DeviceIdOfLength(199), 7, BusIdInstancePathTooLong},
        {"TooLongAsAnyId", DeviceIdOfLength(200), 7, BusIdInstancePathTooLong},
    };
    return cases;
}

} // namespace testsupport
