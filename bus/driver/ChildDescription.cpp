// The child list's description callbacks. The framework may call them at up to
// DISPATCH_LEVEL, Compare under the list's spin lock, so they stay non-paged. The framework
// copies descriptions byte for byte: a copy shares the bus's record of the child.

#include "ConferenceBus.h"

BOOLEAN ChildDescriptionCompare(
    WDFCHILDLIST ChildList,
    PWDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER FirstIdentificationDescription,
    PWDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER SecondIdentificationDescription) {
    UNREFERENCED_PARAMETER(ChildList);

    PCHILD_ID_DESCRIPTION first = ChildIdDescription(FirstIdentificationDescription);
    PCHILD_ID_DESCRIPTION second = ChildIdDescription(SecondIdentificationDescription);

    return first->SerialNumber == second->SerialNumber;
}

// The framework frees an entry once Plug and Play has removed its device, or at once when it
// drops an entry that never got one. Only from then on may the serial number be plugged in
// again. The bus's lock may be held by this very thread (an unplug that drops a pending child),
// so the end is recorded without it; the record outlives the entry.
VOID ChildDescriptionCleanup(
    WDFCHILDLIST ChildList,
    PWDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER IdentificationDescription) {
    UNREFERENCED_PARAMETER(ChildList);

    PBUS_CHILD child = ChildIdDescription(IdentificationDescription)->Child;
    if (child != NULL) {
        InterlockedExchange(&child->EntryFreed, TRUE);
    }
}
