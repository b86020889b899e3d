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

// What the bus keeps of each child it adds to the child list, from the plug-in until the
// framework has freed the child's entry and a later plug-in or the bus's end frees this too.
// The framework cannot say when a serial number may be plugged in again: while it answers a
// bus-relations query, or while a scan is open, it queues an unplug and still counts the child
// as present, so that a re-plug would give Plug and Play a second device with the old one's
// ids. The bus therefore records the unplug here, and the entry's cleanup records its end.
// NOLINTNEXTLINE(bugprone-reserved-identifier): the tag follows the WDK's _NAME form
typedef struct _BUS_CHILD {
    LIST_ENTRY Link; // in the bus's Children, under its ChildListLock
    ULONG SerialNumber;
    BOOLEAN Unplugged;        // under ChildListLock
    volatile LONG EntryFreed; // set by the entry's cleanup, which may hold no lock of the bus
    // The first hardware id and two NULs: all that the child device uses, so that a child's
    // non-paged pool is bounded by the id rules whatever the request's length.
    WCHAR HardwareIds[ANYSIZE_ARRAY];
} BUS_CHILD, *PBUS_CHILD;

// One per child. Only SerialNumber identifies a child; every copy the framework makes of a
// description shares the bus's record of the child, which outlives them all.
// NOLINTNEXTLINE(bugprone-reserved-identifier): the tag follows the WDK's _NAME form
typedef struct _CHILD_ID_DESCRIPTION {
    WDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER Header;
    ULONG SerialNumber;
    PBUS_CHILD Child;
} CHILD_ID_DESCRIPTION, *PCHILD_ID_DESCRIPTION;

FORCEINLINE PCHILD_ID_DESCRIPTION
ChildIdDescription(PWDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER Header) {
    return CONTAINING_RECORD(Header, CHILD_ID_DESCRIPTION, Header);
}

// The bus device's context. ChildListLock serialises the changes a caller makes to the child
// list (plug-in, unplug, the close's unplug of all) and the bus's records of its children: the
// check of a plug-in and its addition must not interleave with another change of the same
// serial number, which the framework's own serialisation of each single call does not prevent.
// NOLINTNEXTLINE(bugprone-reserved-identifier): the tag follows the WDK's _NAME form
typedef struct _FDO_DEVICE_DATA {
    WDFWAITLOCK ChildListLock;
    LIST_ENTRY Children; // BUS_CHILD records
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
EVT_WDF_OBJECT_CONTEXT_DESTROY BusDeviceDestroy;
EVT_WDF_DEVICE_FILE_CREATE BusFileCreate;
EVT_WDF_FILE_CLEANUP BusFileCleanup;

EVT_WDF_IO_QUEUE_IO_DEVICE_CONTROL BusDeviceControl;
NTSTATUS PlugInChildRequest(WDFDEVICE Device, WDFREQUEST Request, ULONG_PTR* Information);
NTSTATUS UnplugChildRequest(WDFDEVICE Device, WDFREQUEST Request, ULONG_PTR* Information);
// The caller holds the bus's ChildListLock.
NTSTATUS UnplugChild(WDFDEVICE Device, ULONG SerialNumber);

// The bus's records of its children; all but BusChildCreate need the ChildListLock.
PBUS_CHILD BusChildCreate(ULONG SerialNumber, const WCHAR* HardwareId, SIZE_T Length);
VOID BusChildrenFreeEnded(PFDO_DEVICE_DATA Bus);
BOOLEAN BusChildBeingRemoved(PFDO_DEVICE_DATA Bus, ULONG SerialNumber);
// Serial number 0 marks every child.
VOID BusChildrenMarkUnplugged(PFDO_DEVICE_DATA Bus, ULONG SerialNumber);

EVT_WDF_CHILD_LIST_IDENTIFICATION_DESCRIPTION_COMPARE ChildDescriptionCompare;
EVT_WDF_CHILD_LIST_IDENTIFICATION_DESCRIPTION_CLEANUP ChildDescriptionCleanup;

EVT_WDF_CHILD_LIST_CREATE_DEVICE ChildListCreateDevice;
NTSTATUS CreateChildDevice(PWDFDEVICE_INIT ChildInit, PCWSTR HardwareId, ULONG SerialNumber);

} // extern "C"
