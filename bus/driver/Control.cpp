// The bus control requests: plug in a child, unplug one child or all of them.

#include "ConferenceBus.h"

#ifdef ALLOC_PRAGMA
#pragma alloc_text(PAGE, BusDeviceControl)
#pragma alloc_text(PAGE, PlugInChildRequest)
#pragma alloc_text(PAGE, UnplugChildRequest)
#pragma alloc_text(PAGE, UnplugChild)
#pragma alloc_text(PAGE, ChildBeingRemoved)
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
    // exceed that buffer's length. An output pointer of length 0 marks the request as an
    // input operation, which the framework's verifier stops unless the value is 0; with no
    // output pointer at all the value reaches the caller as the byte count.
    if (OutputBufferLength != 0
            ? information > OutputBufferLength
            : (WdfRequestWdmGetIrp(Request)->Flags & IRP_INPUT_OPERATION) != 0) {
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

    // The first id becomes the child's device id and hardware id unchanged, and Windows stops
    // with a bug check on one that breaks its rules. The double NUL ends the scan.
    SIZE_T idLength = 0;
    while (input->HardwareIds[idLength] != UNICODE_NULL) {
        idLength++;
    }
    if (BusCheckDeviceId(input->HardwareIds, idLength, input->SerialNumber, NULL) !=
        BusIdAccepted) {
        return STATUS_INVALID_PARAMETER;
    }

    WDFCHILDLIST list = WdfFdoGetDefaultChildList(Device);
    WDFWAITLOCK lock = FdoGetData(Device)->ChildListLock;
    WdfWaitLockAcquire(lock, NULL);
    WDFFILEOBJECT file = WdfRequestGetFileObject(Request);
    if (file == NULL || FileObjectGetData(file)->Closing) {
        // The handle's cleanup has unplugged every child: a child added now would outlive it.
        status = STATUS_FILE_CLOSED;
    } else if (ChildBeingRemoved(list, input->SerialNumber)) {
        // A new device with the same ids beside the old one would be a duplicate to Plug and
        // Play.
        status = BUS_STATUS_CHILD_BEING_REMOVED;
    } else {
        // The child list duplicates the description during the call, so the request's buffer
        // is not referenced afterwards.
        CHILD_ID_DESCRIPTION description;
        WDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER_INIT(&description.Header, sizeof(description));
        description.SerialNumber = input->SerialNumber;
        description.HardwareIdsLength = count;
        description.HardwareIds = input->HardwareIds;
        status = WdfChildListAddOrUpdateChildDescriptionAsPresent(list, &description.Header, NULL);
        // The framework counts an existing child as success; for the caller it is a refusal,
        // and the existing child keeps its description.
        if (status == STATUS_OBJECT_NAME_EXISTS) {
            status = STATUS_INVALID_PARAMETER;
        }
    }
    WdfWaitLockRelease(lock);
    return status;
}

// Whether the list still holds a child with this serial number that was reported missing and
// whose device Plug and Play has not removed yet.
BOOLEAN ChildBeingRemoved(WDFCHILDLIST List, ULONG SerialNumber) {
    PAGED_CODE();

    WDF_CHILD_LIST_ITERATOR iterator;
    WDF_CHILD_LIST_ITERATOR_INIT(&iterator, WdfRetrieveMissingChildren);
    // Zeroed, so that the serial compared is always one the framework copied in.
    CHILD_ID_DESCRIPTION description;
    RtlZeroMemory(&description, sizeof(description));
    WDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER_INIT(&description.Header, sizeof(description));
    WDF_CHILD_RETRIEVE_INFO info;
    WDF_CHILD_RETRIEVE_INFO_INIT(&info, &description.Header);

    // The description is a byte copy of the list's own: its hardware ids are borrowed.
    BOOLEAN found = FALSE;
    WDFDEVICE child;
    WdfChildListBeginIteration(List, &iterator);
    while (!found && NT_SUCCESS(WdfChildListRetrieveNextDevice(List, &iterator, &child, &info))) {
        found = description.SerialNumber == SerialNumber;
    }
    WdfChildListEndIteration(List, &iterator);
    return found;
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
    WDFWAITLOCK lock = FdoGetData(Device)->ChildListLock;
    WdfWaitLockAcquire(lock, NULL);
    status = UnplugChild(Device, input->SerialNumber);
    WdfWaitLockRelease(lock);
    return status;
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
