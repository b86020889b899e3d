#include "IDDUtilities.h"

#include "log/LogMessage.h"

// Every message of the service helpers, their success lines included, is logged with
// LOG_ERROR.

bool IDDUtilities::PrivateServiceHandleGet(const wchar_t* serviceName, DWORD access,
                                           SC_HANDLE& manager, SC_HANDLE& service) {
    manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!manager) {
        LogLastError(L"IDDUtilities::PrivateServiceHandleGet  OpenSCManager failed %d\n");
        return false;
    }
    service = OpenServiceW(manager, serviceName, access);
    if (!service) {
        LogLastError(L"IDDUtilities::PrivateServiceHandleGet  OpenService failed %d\n");
        CloseServiceHandle(manager);
        manager = nullptr;
        return false;
    }
    return true;
}

// The stop is only sent, not awaited: a delete that follows while the service is still
// stopping marks it for deletion, and the manager removes it once it has stopped.
void IDDUtilities::ServiceStop(const wchar_t* serviceName) {
    LogMessage(LOG_ERROR, L"IDDUtilities::ServiceStop\n");
    SC_HANDLE manager = nullptr;
    SC_HANDLE service = nullptr;
    if (!PrivateServiceHandleGet(serviceName, SERVICE_ALL_ACCESS, manager, service)) {
        return;
    }
    // ControlService fills the record only for some errors; an unfilled record shows
    // state 0, which no service reports.
    SERVICE_STATUS status{};
    if (ControlService(service, SERVICE_CONTROL_STOP, &status)) {
        LogMessage(LOG_ERROR, L"Service stopped successfully\n");
    } else {
        LogMessage(LOG_ERROR, L"IDDUtilities::ServiceStop ControlService failed %d Status:%d\n",
                   GetLastError(), status.dwCurrentState);
    }
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
}

void IDDUtilities::ServiceDelete(const wchar_t* serviceName) {
    SC_HANDLE manager = nullptr;
    SC_HANDLE service = nullptr;
    if (!PrivateServiceHandleGet(serviceName, DELETE, manager, service)) {
        return;
    }
    if (DeleteService(service)) {
        LogMessage(LOG_ERROR, L"Service deleted successfully\n");
    } else {
        LogLastError(L"IDDUtilities::ServiceDelete  DeleteService failed %d\n");
    }
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
}
