// Driver entry, the bus device and the lifetime of its control handles.

#include <ntddk.h>
#include <wdf.h>
#include <initguid.h>

#include "ConferenceBus.h"

#ifdef ALLOC_PRAGMA
#pragma alloc_text(INIT, DriverEntry)
#pragma alloc_text(PAGE, BusDeviceAdd)
#endif

NTSTATUS DriverEntry(PDRIVER_OBJECT DriverObject, PUNICODE_STRING RegistryPath) {
    WDF_DRIVER_CONFIG config;
    WDF_DRIVER_CONFIG_INIT(&config, BusDeviceAdd);

    WDFDRIVER driver;
    return WdfDriverCreate(DriverObject, RegistryPath, WDF_NO_OBJECT_ATTRIBUTES, &config, &driver);
}

NTSTATUS BusDeviceAdd(WDFDRIVER Driver, PWDFDEVICE_INIT DeviceInit) {
    UNREFERENCED_PARAMETER(Driver);
    PAGED_CODE();

    WdfDeviceInitSetDeviceType(DeviceInit, FILE_DEVICE_BUS_EXTENDER);
    // This marks only the bus's own device object, which opens do not reach by name: the
    // INF's Exclusive value is what makes the stack admit one handle at a time.
    WdfDeviceInitSetExclusive(DeviceInit, TRUE);

    WDF_CHILD_LIST_CONFIG childListConfig;
    WDF_CHILD_LIST_CONFIG_INIT(&childListConfig, sizeof(CHILD_ID_DESCRIPTION),
                               ChildListCreateDevice);
    childListConfig.EvtChildListIdentificationDescriptionCompare = ChildDescriptionCompare;
    childListConfig.EvtChildListIdentificationDescriptionCleanup = ChildDescriptionCleanup;
    WdfFdoInitSetDefaultChildListConfig(DeviceInit, &childListConfig, WDF_NO_OBJECT_ATTRIBUTES);

    WDF_FILEOBJECT_CONFIG fileConfig;
    WDF_FILEOBJECT_CONFIG_INIT(&fileConfig, BusFileCreate, WDF_NO_EVENT_CALLBACK, BusFileCleanup);
    WDF_OBJECT_ATTRIBUTES fileAttributes;
    WDF_OBJECT_ATTRIBUTES_INIT_CONTEXT_TYPE(&fileAttributes, FILE_OBJECT_DATA);
    WdfDeviceInitSetFileObjectConfig(DeviceInit, &fileConfig, &fileAttributes);

    WDF_OBJECT_ATTRIBUTES deviceAttributes;
    WDF_OBJECT_ATTRIBUTES_INIT_CONTEXT_TYPE(&deviceAttributes, FDO_DEVICE_DATA);
    deviceAttributes.EvtDestroyCallback = BusDeviceDestroy;
    WDFDEVICE device;
    NTSTATUS status = WdfDeviceCreate(&DeviceInit, &deviceAttributes, &device);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    InitializeListHead(&FdoGetData(device)->Children);

    // Created before the queue, so that every request finds it; deleted with the device.
    WDF_OBJECT_ATTRIBUTES lockAttributes;
    WDF_OBJECT_ATTRIBUTES_INIT(&lockAttributes);
    lockAttributes.ParentObject = device;
    status = WdfWaitLockCreate(&lockAttributes, &FdoGetData(device)->ChildListLock);
    if (!NT_SUCCESS(status)) {
        return status;
    }

    WDF_IO_QUEUE_CONFIG queueConfig;
    WDF_IO_QUEUE_CONFIG_INIT_DEFAULT_QUEUE(&queueConfig, WdfIoQueueDispatchParallel);
    queueConfig.EvtIoDeviceControl = BusDeviceControl;
    // A kernel-mode sender may send at DISPATCH_LEVEL, but the requests' code is pageable and
    // waits for the bus's lock: the framework then hands such a request to a worker thread.
    WDF_OBJECT_ATTRIBUTES queueAttributes;
    WDF_OBJECT_ATTRIBUTES_INIT(&queueAttributes);
    queueAttributes.ExecutionLevel = WdfExecutionLevelPassive;
    WDFQUEUE queue;
    status = WdfIoQueueCreate(device, &queueConfig, &queueAttributes, &queue);
    if (!NT_SUCCESS(status)) {
        return status;
    }

    status = WdfDeviceCreateDeviceInterface(device, &GUID_DEVINTERFACE_CONFERENCE_BUS, NULL);
    if (!NT_SUCCESS(status)) {
        return status;
    }

    // Nothing reads the children's bus information; a zeroed record keeps it well defined.
    PNP_BUS_INFORMATION busInformation;
    RtlZeroMemory(&busInformation, sizeof(busInformation));
    WdfDeviceSetBusInformationForChildren(device, &busInformation);

    return status;
}

// The bus admits one file object at a time, which the INF's Exclusive value makes the I/O
// manager enforce, except for an open relative to an open handle: a second file object would
// let either handle's close unplug the other's children.
VOID BusFileCreate(WDFDEVICE Device, WDFREQUEST Request, WDFFILEOBJECT FileObject) {
    UNREFERENCED_PARAMETER(Device);

    const BOOLEAN relative = WdfFileObjectWdmGetFileObject(FileObject)->RelatedFileObject != NULL;
    WdfRequestComplete(Request, relative ? STATUS_ACCESS_DENIED : STATUS_SUCCESS);
}

// Closing a handle unplugs the children of the bus that handle was opened on. The file
// object names its own device, so no driver-wide record of the last open is needed, and
// two buses opened at once keep their children apart. A plug-in on this handle may still be
// running: marking the handle closing under the bus's lock makes it either finish before the
// unplug of all or add nothing.
VOID BusFileCleanup(WDFFILEOBJECT FileObject) {
    WDFDEVICE device = WdfFileObjectGetDevice(FileObject);
    WDFWAITLOCK lock = FdoGetData(device)->ChildListLock;

    WdfWaitLockAcquire(lock, NULL);
    FileObjectGetData(FileObject)->Closing = TRUE;
    (void)UnplugChild(device, BUS_UNPLUG_ALL_CHILDREN);
    WdfWaitLockRelease(lock);
}
