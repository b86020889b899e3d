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

    // The child keeps its first id alone; the request's other ids were only checked.
    PBUS_CHILD child = BusChildCreate(input->SerialNumber, input->HardwareIds, idLength);
    if (child == NULL) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }

    PFDO_DEVICE_DATA bus = FdoGetData(Device);
    WdfWaitLockAcquire(bus->ChildListLock, NULL);
    BusChildrenFreeEnded(bus);
    WDFFILEOBJECT file = WdfRequestGetFileObject(Request);
    if (file == NULL || FileObjectGetData(file)->Closing) {
        // The handle's cleanup has unplugged every child: a child added now would outlive it.
        status = STATUS_FILE_CLOSED;
    } else if (BusChildBeingRemoved(bus, input->SerialNumber)) {
        // A new device with the same ids beside the old one would be a duplicate to Plug and
        // Play.
        status = BUS_STATUS_CHILD_BEING_REMOVED;
    } else {
        CHILD_ID_DESCRIPTION description;
        WDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER_INIT(&description.Header, sizeof(description));
        description.SerialNumber = input->SerialNumber;
        description.Child = child;
        status = WdfChildListAddOrUpdateChildDescriptionAsPresent(WdfFdoGetDefaultChildList(Device),
                                                                  &description.Header, NULL);
        if (status == STATUS_OBJECT_NAME_EXISTS) {
            // The framework counts an existing child as success; for the caller it is a
            // refusal, and the existing child keeps its description.
            status = STATUS_INVALID_PARAMETER;
        } else if (NT_SUCCESS(status)) {
            InsertTailList(&bus->Children, &child->Link);
            child = NULL;
        }
    }
    WdfWaitLockRelease(bus->ChildListLock);
    if (child != NULL) {
        ExFreePoolWithTag(child, BUS_POOL_TAG);
    }
    return status;
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

    NTSTATUS status = STATUS_SUCCESS;
    if (SerialNumber == BUS_UNPLUG_ALL_CHILDREN) {
        // A scan that reports no child marks every child missing.
        WdfChildListBeginScan(list);
        WdfChildListEndScan(list);
    } else {
        CHILD_ID_DESCRIPTION description;
        WDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER_INIT(&description.Header, sizeof(description));
        description.SerialNumber = SerialNumber;
        status = WdfChildListUpdateChildDescriptionAsMissing(list, &description.Header);
        if (status == STATUS_NO_SUCH_DEVICE) {
            return STATUS_INVALID_PARAMETER;
        }
    }
    // The framework may only have queued the change, still counting the child as present.
    if (NT_SUCCESS(status)) {
        BusChildrenMarkUnplugged(FdoGetData(Device), SerialNumber);
    }
    return status;
}
