// The bus's records of the children it added to its child list.

#include "ConferenceBus.h"

#ifdef ALLOC_PRAGMA
#pragma alloc_text(PAGE, BusChildCreate)
#pragma alloc_text(PAGE, BusChildrenFreeEnded)
#pragma alloc_text(PAGE, BusChildBeingRemoved)
#pragma alloc_text(PAGE, BusChildrenMarkUnplugged)
#endif

// Non-paged, as the destroy callback calls them: whether the framework has freed the record's
// entry (the cleanup's mark is read with the barrier it was written with), and the record's end.
static BOOLEAN EntryFreed(PBUS_CHILD Child) {
    return InterlockedCompareExchange(&Child->EntryFreed, FALSE, FALSE) != FALSE;
}

static VOID FreeBusChild(PBUS_CHILD Child) {
    RemoveEntryList(&Child->Link);
    ExFreePoolWithTag(Child, BUS_POOL_TAG);
}

// Length is the first id's, without its NUL; the id rules keep it short.
PBUS_CHILD BusChildCreate(ULONG SerialNumber, const WCHAR* HardwareId, SIZE_T Length) {
    PAGED_CODE();

    // The record's own array holds one unit: the id and its second NUL come on top.
    const SIZE_T bytes = sizeof(BUS_CHILD) + (Length + 1) * sizeof(WCHAR);
    PBUS_CHILD child = (PBUS_CHILD)ExAllocatePoolWithTag(NonPagedPoolNx, bytes, BUS_POOL_TAG);
    if (child == NULL) {
        return NULL;
    }
    RtlZeroMemory(child, bytes);
    child->SerialNumber = SerialNumber;
    RtlCopyMemory(child->HardwareIds, HardwareId, Length * sizeof(WCHAR));
    return child;
}

// Frees the records whose entries the framework has freed, so that records never outnumber
// the entries by more than the ones freed since the last plug-in.
VOID BusChildrenFreeEnded(PFDO_DEVICE_DATA Bus) {
    PAGED_CODE();

    PLIST_ENTRY link = Bus->Children.Flink;
    while (link != &Bus->Children) {
        PBUS_CHILD child = CONTAINING_RECORD(link, BUS_CHILD, Link);
        link = link->Flink;
        if (EntryFreed(child)) {
            FreeBusChild(child);
        }
    }
}

// Whether a child of this serial number was unplugged and its entry is not yet freed: its
// device may still exist, or come to exist in the bus-relations answer under way.
BOOLEAN BusChildBeingRemoved(PFDO_DEVICE_DATA Bus, ULONG SerialNumber) {
    PAGED_CODE();

    for (PLIST_ENTRY link = Bus->Children.Flink; link != &Bus->Children; link = link->Flink) {
        PBUS_CHILD child = CONTAINING_RECORD(link, BUS_CHILD, Link);
        if (child->SerialNumber == SerialNumber && child->Unplugged && !EntryFreed(child)) {
            return TRUE;
        }
    }
    return FALSE;
}

VOID BusChildrenMarkUnplugged(PFDO_DEVICE_DATA Bus, ULONG SerialNumber) {
    PAGED_CODE();

    for (PLIST_ENTRY link = Bus->Children.Flink; link != &Bus->Children; link = link->Flink) {
        PBUS_CHILD child = CONTAINING_RECORD(link, BUS_CHILD, Link);
        if (SerialNumber == BUS_UNPLUG_ALL_CHILDREN || child->SerialNumber == SerialNumber) {
            child->Unplugged = TRUE;
        }
    }
}

// The framework destroys the bus device after its child list, whose entries are all freed by
// then. Non-paged: destroy callbacks may come at up to DISPATCH_LEVEL.
VOID BusDeviceDestroy(WDFOBJECT Device) {
    PFDO_DEVICE_DATA bus = FdoGetData(Device);
    while (bus->Children.Flink != &bus->Children) {
        FreeBusChild(CONTAINING_RECORD(bus->Children.Flink, BUS_CHILD, Link));
    }
}
