// The child list's description callbacks. The framework calls them under the list's spin
// lock, at up to DISPATCH_LEVEL, so they stay non-paged and use non-paged pool only.

#include "ConferenceBus.h"

NTSTATUS ChildDescriptionDuplicate(
    WDFCHILDLIST ChildList,
    PWDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER SourceIdentificationDescription,
    PWDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER DestinationIdentificationDescription) {
    UNREFERENCED_PARAMETER(ChildList);

    PCHILD_ID_DESCRIPTION source = ChildIdDescription(SourceIdentificationDescription);
    PCHILD_ID_DESCRIPTION destination = ChildIdDescription(DestinationIdentificationDescription);

    destination->SerialNumber = source->SerialNumber;
    destination->HardwareIdsLength = source->HardwareIdsLength;
    // After a failed duplicate the framework cleans the destination up, which must then find
    // no block to free rather than whatever the record held before.
    destination->HardwareIds = NULL;

    SIZE_T bytes;
    NTSTATUS status = RtlSIZETMult(source->HardwareIdsLength, sizeof(WCHAR), &bytes);
    if (!NT_SUCCESS(status)) {
        return status;
    }

    destination->HardwareIds = (PWCHAR)ExAllocatePoolWithTag(NonPagedPoolNx, bytes, BUS_POOL_TAG);
    if (destination->HardwareIds == NULL) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    RtlCopyMemory(destination->HardwareIds, source->HardwareIds, bytes);
    return STATUS_SUCCESS;
}

BOOLEAN ChildDescriptionCompare(
    WDFCHILDLIST ChildList,
    PWDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER FirstIdentificationDescription,
    PWDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER SecondIdentificationDescription) {
    UNREFERENCED_PARAMETER(ChildList);

    PCHILD_ID_DESCRIPTION first = ChildIdDescription(FirstIdentificationDescription);
    PCHILD_ID_DESCRIPTION second = ChildIdDescription(SecondIdentificationDescription);

    return first->SerialNumber == second->SerialNumber;
}

VOID ChildDescriptionCleanup(
    WDFCHILDLIST ChildList,
    PWDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER IdentificationDescription) {
    UNREFERENCED_PARAMETER(ChildList);

    PCHILD_ID_DESCRIPTION description = ChildIdDescription(IdentificationDescription);

    if (description->HardwareIds != NULL) {
        ExFreePoolWithTag(description->HardwareIds, 0);
        description->HardwareIds = NULL;
    }
}
