// ConferenceBus private declarations: the child identification description, the object
// contexts and the framework callbacks with their role types.
#pragma once

#include <ntddk.h>
#include <wdf.h>
#include <ntstrsafe.h>
#include <ntintsafe.h>

#include "ConferenceBusPublic.h"

// "BusE" in memory order, as pool tag tools display it.
#define BUS_POOL_TAG ((ULONG)0x45737542)

// The texts of every child are English (United States), which is also the default locale.
#define BUS_CHILD_LOCALE 0x409

// One per child. In a description held by the child list, HardwareIds is an allocation
// owned by that description; in a description built on the stack it borrows the request's
// buffer or holds nothing. Only SerialNumber identifies a child.
// NOLINTNEXTLINE(bugprone-reserved-identifier): the tag follows the WDK's _NAME form
typedef struct _CHILD_ID_DESCRIPTION {
    WDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER Header;
    ULONG SerialNumber;
    SIZE_T HardwareIdsLength; // UTF-16 code units, every NUL included
    PWCHAR HardwareIds;
} CHILD_ID_DESCRIPTION, *PCHILD_ID_DESCRIPTION;

FORCEINLINE PCHILD_ID_DESCRIPTION
ChildIdDescription(PWDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER Header) {
    return CONTAINING_RECORD(Header, CHILD_ID_DESCRIPTION, Header);
}

// The bus device's context. ChildListLock serialises the changes a caller makes to the child
// list (plug-in, unplug, the close's unplug of all): the check of a plug-in and its addition
// must not interleave with another change of the same serial number, which the framework's
// own serialisation of each single child-list call does not prevent.
// NOLINTNEXTLINE(bugprone-reserved-identifier): the tag follows the WDK's _NAME form
typedef struct _FDO_DEVICE_DATA {
    WDFWAITLOCK ChildListLock;
} FDO_DEVICE_DATA, *PFDO_DEVICE_DATA;

WDF_DECLARE_CONTEXT_TYPE_WITH_NAME(FDO_DEVICE_DATA, FdoGetData)

// The context of each control handle's file object. Closing is set, under the bus's
// ChildListLock, by the handle's cleanup, which may run while requests on the handle still
// run: a plug-in that finds it set adds no child, which would outlive its handle.
// NOLINTNEXTLINE(bugprone-reserved-identifier): the tag follows the WDK's _NAME form
typedef struct _FILE_OBJECT_DATA {
    BOOLEAN Closing;
} FILE_OBJECT_DATA, *PFILE_OBJECT_DATA;

WDF_DECLARE_CONTEXT_TYPE_WITH_NAME(FILE_OBJECT_DATA, FileObjectGetData)

// NOLINTNEXTLINE(bugprone-reserved-identifier): the tag follows the WDK's _NAME form
typedef struct _PDO_DEVICE_DATA {
    ULONG SerialNumber;
} PDO_DEVICE_DATA, *PPDO_DEVICE_DATA;

WDF_DECLARE_CONTEXT_TYPE_WITH_NAME(PDO_DEVICE_DATA, PdoGetData)

// C linkage throughout: the compiler places only such functions with alloc_text.
extern "C" {

DRIVER_INITIALIZE DriverEntry;

EVT_WDF_DRIVER_DEVICE_ADD BusDeviceAdd;
EVT_WDF_DEVICE_FILE_CREATE BusFileCreate;
EVT_WDF_FILE_CLEANUP BusFileCleanup;

EVT_WDF_IO_QUEUE_IO_DEVICE_CONTROL BusDeviceControl;
NTSTATUS PlugInChildRequest(WDFDEVICE Device, WDFREQUEST Request, ULONG_PTR* Information);
NTSTATUS UnplugChildRequest(WDFDEVICE Device, WDFREQUEST Request, ULONG_PTR* Information);
// The caller holds the bus's ChildListLock.
NTSTATUS UnplugChild(WDFDEVICE Device, ULONG SerialNumber);
BOOLEAN ChildBeingRemoved(WDFCHILDLIST List, ULONG SerialNumber);

EVT_WDF_CHILD_LIST_IDENTIFICATION_DESCRIPTION_DUPLICATE ChildDescriptionDuplicate;
EVT_WDF_CHILD_LIST_IDENTIFICATION_DESCRIPTION_COMPARE ChildDescriptionCompare;
EVT_WDF_CHILD_LIST_IDENTIFICATION_DESCRIPTION_CLEANUP ChildDescriptionCleanup;

EVT_WDF_CHILD_LIST_CREATE_DEVICE ChildListCreateDevice;
NTSTATUS CreateChildDevice(PWDFDEVICE_INIT ChildInit, PCWSTR HardwareIds, ULONG SerialNumber);

} // extern "C"
