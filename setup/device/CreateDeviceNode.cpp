#include "IDDDeviceInfoSet.h"

#include "HardwareIdRead.h"
#include "log/LogMessage.h"

#include <strsafe.h>

namespace {

const DWORD LOG_DEVICE_INFO = LOG_DEVICE | LOG_INFO;
constexpr size_t HardwareIdBufferUnits = 260;
constexpr size_t HardwareIdCopyLimit = 256;

} // namespace

DWORD IDDDeviceInfoSet::CreateDeviceNode(GUID classGuid, const wchar_t* hardwareId,
                                         const wchar_t* className) {
    DevInfoHandle = SetupDiCreateDeviceInfoList(&classGuid, nullptr);
    if (DevInfoHandle == INVALID_HANDLE_VALUE) {
        return LogLastError(
            L"IDDDeviceInfoSet::CreateDeviceNode SetupDiCreateDeviceInfoList failed %d\n");
    }
    LogMessage(LOG_DEVICE_INFO,
               L"IDDDeviceInfoSet::CreateDeviceNode SetupDiCreateDeviceInfoList success\n");

    // DICD_GENERATE_ID: the platform makes a unique root-enumerated instance id from
    // the class name.
    DevInfoData.cbSize = sizeof(DevInfoData);
    if (!SetupDiCreateDeviceInfoW(DevInfoHandle, className, &classGuid, nullptr, nullptr,
                                  DICD_GENERATE_ID, &DevInfoData)) {
        return LogLastError(
            L"IDDDeviceInfoSet::CreateDeviceNode SetupDiCreateDeviceInfo failed %d\n");
    }
    LogMessage(LOG_DEVICE_INFO,
               L"IDDDeviceInfoSet::CreateDeviceNode SetupDiCreateDeviceInfo success\n");

    // The hardware-id property is a REG_MULTI_SZ: the id, its terminator and a second
    // terminator that closes the list, which the zero fill provides.
    wchar_t hardwareIdList[HardwareIdBufferUnits] = {};
    if (FAILED(StringCchCopyW(hardwareIdList, HardwareIdCopyLimit, hardwareId))) {
        // The copy sets no last-error code; an id that does not fit is reported as a
        // buffer too small for it.
        const DWORD error = ERROR_INSUFFICIENT_BUFFER;
        LogMessage(LOG_ERROR, L"IDDDeviceInfoSet::CreateDeviceNode StringCchCopy failed %d\n",
                   error);
        return error;
    }
    const DWORD listBytes = static_cast<DWORD>((lstrlenW(hardwareIdList) + 2) * sizeof(wchar_t));
    if (!SetupDiSetDeviceRegistryPropertyW(DevInfoHandle, &DevInfoData, SPDRP_HARDWAREID,
                                           reinterpret_cast<const BYTE*>(hardwareIdList),
                                           listBytes)) {
        return LogLastError(
            L"IDDDeviceInfoSet::CreateDeviceNode SetupDiSetDeviceRegistryProperty failed %d\n");
    }
    LogMessage(LOG_DEVICE_INFO,
               L"IDDDeviceInfoSet::CreateDeviceNode SetupDiSetDeviceRegistryProperty success\n");

    // A device that is already present is kept; the element made above is then never
    // registered and vanishes with the set.
    if (PrivateDetectDeviceNode(classGuid, hardwareId)) {
        LogMessage(LOG_ERROR,
                   L"IDDDeviceInfoSet::CreateDeviceNode PrivateDetectDeviceNode device detected\n");
        return ERROR_SUCCESS;
    }

    if (!SetupDiCallClassInstaller(DIF_REGISTERDEVICE, DevInfoHandle, &DevInfoData)) {
        return LogLastError(
            L"IDDDeviceInfoSet::CreateDeviceNode SetupDiCallClassInstaller failed %d\n");
    }
    LogMessage(LOG_DEVICE_INFO,
               L"IDDDeviceInfoSet::CreateDeviceNode SetupDiCallClassInstaller success\n");
    return ERROR_SUCCESS;
}

bool IDDDeviceInfoSet::PrivateDetectDeviceNode(GUID classGuid, const wchar_t* hardwareId) {
    HDEVINFO present = SetupDiGetClassDevsW(&classGuid, nullptr, nullptr, DIGCF_PRESENT);
    if (present == INVALID_HANDLE_VALUE) {
        LogLastError(L"IDDDeviceInfoSet::PrivateDetectDeviceNode SetupDiGetClassDevs failed %d\n");
        return false;
    }

    bool detected = false;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    HardwareIdBuffer buffer;
    // Whatever ends the enumeration ends the search: the device counts as absent.
    for (DWORD index = 0; !detected && SetupDiEnumDeviceInfo(present, index, &device); ++index) {
        if (!ReadHardwareId(present, device, buffer)) {
            LogLastError(
                L"IDDDeviceInfoSet::PrivateDetectDeviceNode SetupDiGetDeviceRegistryProperty "
                L"failed %d\n");
            continue;
        }
        LogMessage(LOG_DEVICE_INFO,
                   L"IDDDeviceInfoSet::PrivateDetectDeviceNode Current HWID = %s\n", buffer);
        detected = IsHardwareId(buffer, hardwareId);
    }
    SetupDiDestroyDeviceInfoList(present);
    return detected;
}
