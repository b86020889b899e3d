// The bus control requests: plug in a child, unplug one child or all of them.

#include "ConferenceBus.h"

#ifdef ALLOC_PRAGMA
#pragma alloc_text(PAGE, BusDeviceControl)
#pragma alloc_text(PAGE, PlugInChildRequest)
#pragma alloc_text(PAGE, UnplugChildRequest)
#pragma alloc_text(PAGE, UnplugChild)
#endif

VOID BusDeviceControl(WDFQUEUE Queue, WDFREQUEST Request, size_t OutputBufferLength,
                      size_t InputBufferLength, ULONG IoControlCode) {
    UNREFERENCED_PARAMETER(InputBufferLength);
    PAGED_CODE();

    NTSTATUS status = STATUS_INVALID_PARAMETER;
    ULONG_PTR information = 0;
    WDFDEVICE device = WdfIoQueueGetDevice(Queue);

    switch (IoControlCode) {
    case IOCTL_BUS_PLUGIN_CHILD:
        status = PlugInChildRequest(device, Request, &information);
        break;
    case IOCTL_BUS_UNPLUG_CHILD:
        status = UnplugChildRequest(device, Request, &information);
        break;
    default:
        break;
    }

    // The information value counts input, yet for a buffered request the system copies that
    // many bytes back into the caller's output buffer; with a non-empty buffer it must never
    // exceed that buffer's length.
    if (OutputBufferLength != 0 && information > OutputBufferLength) {
        information = 0;
    }
    WdfRequestCompleteWithInformation(Request, status, information);
}

NTSTATUS PlugInChildRequest(WDFDEVICE Device, WDFREQUEST Request, ULONG_PTR* Information) {
    PAGED_CODE();

    PBUS_PLUGIN_INPUT input;
    size_t length;
    NTSTATUS status = WdfRequestRetrieveInputBuffer(Request, BUS_PLUGIN_INPUT_MINIMUM_SIZE,
                                                    (PVOID*)&input, &length);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    if (input->Size != BUS_PLUGIN_INPUT_FIXED_SIZE) {
        return STATUS_INVALID_PARAMETER;
    }

    // An odd last byte belongs to no code unit. The minimum size guarantees two units.
    const size_t count = (length - BUS_PLUGIN_INPUT_FIXED_SIZE) / sizeof(WCHAR);
    *Information = count;
    if (input->HardwareIds[count - 1] != UNICODE_NULL ||
        input->HardwareIds[count - 2] != UNICODE_NULL) {
        return STATUS_INVALID_PARAMETER;
    }

    // The child list duplicates the description during the call, so the request's buffer
    // is not referenced afterwards.
    CHILD_ID_DESCRIPTION description;
    WDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER_INIT(&description.Header, sizeof(description));
    description.SerialNumber = input->SerialNumber;
    description.HardwareIdsLength = count;
    description.HardwareIds = input->HardwareIds;
    status = WdfChildListAddOrUpdateChildDescriptionAsPresent(WdfFdoGetDefaultChildList(Device),
                                                              &description.Header, NULL);

    // The framework counts an existing child as success; for the caller it is a refusal,
    // and the existing child keeps its description.
    return status == STATUS_OBJECT_NAME_EXISTS ? STATUS_INVALID_PARAMETER : status;
}

NTSTATUS UnplugChildRequest(WDFDEVICE Device, WDFREQUEST Request, ULONG_PTR* Information) {
    PAGED_CODE();

    PBUS_UNPLUG_INPUT input;
    size_t length;
    NTSTATUS status =
        WdfRequestRetrieveInputBuffer(Request, sizeof(BUS_UNPLUG_INPUT), (PVOID*)&input, &length);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    if ((size_t)input->Size != length) {
        return STATUS_INVALID_PARAMETER;
    }

    *Information = length;
    return UnplugChild(Device, input->SerialNumber);
}

NTSTATUS UnplugChild(WDFDEVICE Device, ULONG SerialNumber) {
    PAGED_CODE();

    WDFCHILDLIST list = WdfFdoGetDefaultChildList(Device);

    // A scan that reports no child marks every child missing.
    if (SerialNumber == BUS_UNPLUG_ALL_CHILDREN) {
        WdfChildListBeginScan(list);
        WdfChildListEndScan(list);
        return STATUS_SUCCESS;
    }

    CHILD_ID_DESCRIPTION description;
    WDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER_INIT(&description.Header, sizeof(description));
    description.SerialNumber = SerialNumber;
    NTSTATUS status = WdfChildListUpdateChildDescriptionAsMissing(list, &description.Header);
    return status == STATUS_NO_SUCH_DEVICE ? STATUS_INVALID_PARAMETER : status;
}
