#include "IDDDeviceInfoSet.h"

#include "HardwareIdRead.h"
#include "log/LogMessage.h"

namespace {

const DWORD LOG_DEVICE_INFO = LOG_DEVICE | LOG_INFO;

} // namespace

DWORD IDDDeviceInfoSet::RemoveDeviceNode(GUID classGuid, const wchar_t* hardwareId) {
    DevInfoHandle = SetupDiGetClassDevsW(&classGuid, nullptr, nullptr, DIGCF_PRESENT);
    if (DevInfoHandle == INVALID_HANDLE_VALUE) {
        return LogLastError(L"IDDDeviceInfoSet::RemoveDeviceNode SetupDiGetClassDevs failed %d\n");
    }
    LogMessage(LOG_DEVICE_INFO,
               L"IDDDeviceInfoSet::RemoveDeviceNode SetupDiGetClassDevs success\n");
    LogMessage(LOG_DEVICE_INFO, L"IDDDeviceInfoSet::RemoveDeviceNode Find device instance/s...\n");

    DevInfoData.cbSize = sizeof(DevInfoData);
    DWORD matches = 0;
    HardwareIdBuffer buffer;
    // The index keeps counting across removals: after DIF_REMOVE the element stays in
    // the set, so later members keep their indexes.
    for (DWORD index = 0;; ++index) {
        // The last-error code means something only after a failed call: a successful
        // enumeration may leave a stale ERROR_NO_MORE_ITEMS behind, which must not end
        // the walk when a later call fails without a code of its own.
        SetLastError(ERROR_SUCCESS);
        if (!SetupDiEnumDeviceInfo(DevInfoHandle, index, &DevInfoData)) {
            if (GetLastError() == ERROR_NO_MORE_ITEMS) {
                break;
            }
            return LogLastError(
                L"IDDDeviceInfoSet::RemoveDeviceNode SetupDiEnumDeviceInfo failed %d\n",
                FailedWithoutCode);
        }
        if (!ReadHardwareId(DevInfoHandle, DevInfoData, buffer)) {
            LogLastError(L"IDDDeviceInfoSet::RemoveDeviceNode SetupDiGetDeviceRegistryProperty (1) "
                         L"failed %d\n");
            continue;
        }
        LogMessage(LOG_DEVICE_INFO, L"IDDDeviceInfoSet::RemoveDeviceNode Current HWID = %s\n",
                   buffer);
        if (!IsHardwareId(buffer, hardwareId)) {
            continue;
        }
        ++matches;
        if (SetupDiCallClassInstaller(DIF_REMOVE, DevInfoHandle, &DevInfoData)) {
            LogMessage(LOG_DEVICE_INFO,
                       L"IDDDeviceInfoSet::RemoveDeviceNode Found an instance = %s %d\n", buffer,
                       matches);
        } else {
            LogLastError(L"IDDDeviceInfoSet::RemoveDeviceNode SetupDiGetDeviceRegistryProperty (4) "
                         L"failed %d\n");
        }
    }

    LogMessage(LOG_DEVICE_INFO, L"IDDDeviceInfoSet::RemoveDeviceNode No more items\n");
    if (matches == 0) {
        LogMessage(LOG_DEVICE_INFO,
                   L"IDDDeviceInfoSet::RemoveDeviceNode No Device instance found\n");
    }
    return ERROR_SUCCESS;
}
