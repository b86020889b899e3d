// The bus's child device nodes, as the configuration manager reports them.

#include <cwchar>

#include "Interface.h"
#include "Messages.h"

namespace conferencebus {

namespace {

std::wstring TextProperty(DEVINST device, ULONG property) {
    WCHAR text[512];
    ULONG length = sizeof(text);
    ULONG type = 0;
    if (CM_Get_DevNode_Registry_PropertyW(device, property, &type, text, &length, 0) !=
            CR_SUCCESS ||
        type != REG_SZ) {
        return std::wstring();
    }
    return std::wstring(text, wcsnlen(text, length / sizeof(WCHAR)));
}

// A device instance id is the device id, a backslash and the instance id.
CONFIGRET ReadChild(DEVINST device, ChildDevice* child) {
    WCHAR id[MAX_DEVICE_ID_LEN + 1];
    const CONFIGRET result = CM_Get_Device_IDW(device, id, MAX_DEVICE_ID_LEN + 1, 0);
    if (result != CR_SUCCESS) {
        return result;
    }
    const std::wstring instancePath(id);
    const size_t separator = instancePath.rfind(L'\\');
    child->deviceId = instancePath.substr(0, separator);
    child->instanceId =
        separator == std::wstring::npos ? std::wstring() : instancePath.substr(separator + 1);
    child->description = TextProperty(device, CM_DRP_DEVICEDESC);
    child->location = TextProperty(device, CM_DRP_LOCATION_INFORMATION);
    return CR_SUCCESS;
}

} // namespace

BusError BusClient::ListChildren(std::vector<ChildDevice>* children) const {
    children->clear();
    if (!IsOpen()) {
        return {ERROR_INVALID_HANDLE, messages::NotOpen()};
    }
    DEVINST device = 0;
    CONFIGRET result = CM_Get_Child(&device, device_, 0);
    const wchar_t* call = L"CM_Get_Child";
    while (result == CR_SUCCESS) {
        ChildDevice child;
        result = ReadChild(device, &child);
        if (result != CR_SUCCESS) {
            call = L"CM_Get_Device_ID";
            break;
        }
        children->push_back(child);
        result = CM_Get_Sibling(&device, device, 0);
        call = L"CM_Get_Sibling";
    }
    if (result != CR_NO_SUCH_DEVNODE) {
        return {ERROR_GEN_FAILURE, messages::ListingFailed(call, result)};
    }
    return {};
}

} // namespace conferencebus
