// A device information set, the handle that SetupAPI's device calls share, released by its
// owner on every way out.
#pragma once

#include <windows.h>

#include <setupapi.h>

namespace conferencebus {

class DeviceSet {
public:
    DeviceSet() = default;
    ~DeviceSet() { Reset(INVALID_HANDLE_VALUE); }
    DeviceSet(const DeviceSet&) = delete;
    DeviceSet& operator=(const DeviceSet&) = delete;

    // Takes the set the platform returned, releasing the one held.
    void Reset(HDEVINFO handle) {
        if (handle_ != INVALID_HANDLE_VALUE) {
            SetupDiDestroyDeviceInfoList(handle_);
        }
        handle_ = handle;
    }
    HDEVINFO Handle() const { return handle_; }
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HDEVINFO handle_ = INVALID_HANDLE_VALUE;
};

} // namespace conferencebus
