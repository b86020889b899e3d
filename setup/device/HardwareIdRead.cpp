#include "HardwareIdRead.h"

#include <cwchar>

BOOL ReadHardwareId(HDEVINFO set, SP_DEVINFO_DATA& device, HardwareIdBuffer& buffer) {
    ZeroMemory(buffer, sizeof(buffer));
    return SetupDiGetDeviceRegistryPropertyW(set, &device, SPDRP_HARDWAREID, nullptr,
                                             reinterpret_cast<PBYTE>(buffer), HardwareIdReadBytes,
                                             nullptr);
}

bool IsHardwareId(const HardwareIdBuffer& buffer, const wchar_t* hardwareId) {
    return std::wcscmp(buffer, hardwareId) == 0;
}
