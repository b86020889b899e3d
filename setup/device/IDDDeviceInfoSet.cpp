#include "IDDDeviceInfoSet.h"

IDDDeviceInfoSet::IDDDeviceInfoSet() : DevInfoHandle(INVALID_HANDLE_VALUE), DevInfoData{} {}

// The only place where the object's set is released. A registered device node outlives
// the set; an element that was never registered vanishes with it.
IDDDeviceInfoSet::~IDDDeviceInfoSet() {
    if (DevInfoHandle != INVALID_HANDLE_VALUE) {
        SetupDiDestroyDeviceInfoList(DevInfoHandle);
    }
}
