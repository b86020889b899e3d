// The dynamic child list and the Plug and Play manager's enumeration of a bus.
//
// Entries not yet reported to Plug and Play are the "pending inserts"; they stand in the
// same list as reported children and are searched first, as the framework searches its
// pending changes before the list.

#include "wdfsim/State.h"

#include <cstring>

using namespace wdfsim;

namespace {

// The framework allocates a new entry without zeroing it; the pattern makes a duplicate
// callback that leaves a field unset visible to its cleanup.
constexpr unsigned char FreshEntryPattern = 0xA5;

WDFCHILDLIST HandleOfList(ChildList& list) {
    return HandleOf<WDFCHILDLIST>(&list);
}

// Compare, Duplicate and Copy run under the list's spin lock.
bool SameChild(ChildList& list, const ChildEntry& entry,
               PWDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER description) {
    auto compare = list.config.EvtChildListIdentificationDescriptionCompare;
    const ULONG size = list.config.IdentificationDescriptionSize;
    IrqlScope locked(DISPATCH_LEVEL);
    return compare != nullptr ? compare(HandleOfList(list), entry.header(), description) != FALSE
                              : std::memcmp(entry.header(), description, size) == 0;
}

std::list<ChildEntry>::iterator Find(ChildList& list,
                                     PWDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER description) {
    for (auto pending = list.entries.begin(); pending != list.entries.end(); ++pending) {
        if (pending->phase == ChildEntry::Phase::PendingInsert &&
            SameChild(list, *pending, description)) {
            return pending;
        }
    }
    for (auto entry = list.entries.begin(); entry != list.entries.end(); ++entry) {
        if (entry->phase != ChildEntry::Phase::PendingInsert &&
            SameChild(list, *entry, description)) {
            return entry;
        }
    }
    return list.entries.end();
}

// Cleanup runs outside the lock, at the caller's IRQL, whenever an entry is freed.
void Free(ChildList& list, std::list<ChildEntry>::iterator entry) {
    entry->pdo.reset();
    if (auto cleanup = list.config.EvtChildListIdentificationDescriptionCleanup) {
        cleanup(HandleOfList(list), entry->header());
    }
    list.entries.erase(entry);
}

void Changed(ChildList& list) {
    if (list.scanDepth == 0) {
        list.relationsInvalid = true;
    }
}

ChildList* ListFor(WDFCHILDLIST handle, const char* routine) {
    CheckIrql(routine, DISPATCH_LEVEL);
    return Resolve<ChildList>(handle, routine);
}

} // namespace

WDFCHILDLIST WdfFdoGetDefaultChildList(WDFDEVICE Fdo) {
    Called("WdfFdoGetDefaultChildList");
    auto* device = Resolve<Device>(Fdo, "WdfFdoGetDefaultChildList");
    return device == nullptr || !device->childList ? nullptr : HandleOfList(*device->childList);
}

WDFDEVICE WdfChildListGetDevice(WDFCHILDLIST ChildList) {
    Called("WdfChildListGetDevice");
    auto* list = Resolve<wdfsim::ChildList>(ChildList, "WdfChildListGetDevice");
    return list == nullptr ? nullptr : HandleOf<WDFDEVICE>(list->device);
}

NTSTATUS WdfChildListAddOrUpdateChildDescriptionAsPresent(
    WDFCHILDLIST ChildList, PWDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER IdentificationDescription,
    PWDF_CHILD_ADDRESS_DESCRIPTION_HEADER AddressDescription) {
    NTSTATUS injected;
    if (Called("WdfChildListAddOrUpdateChildDescriptionAsPresent", &injected)) {
        return injected;
    }
    auto* list = ListFor(ChildList, "WdfChildListAddOrUpdateChildDescriptionAsPresent");
    if (list == nullptr) {
        return STATUS_INVALID_PARAMETER;
    }
    const ULONG size = list->config.IdentificationDescriptionSize;
    if (IdentificationDescription->IdentificationDescriptionSize != size) {
        return STATUS_INVALID_DEVICE_REQUEST;
    }
    if (AddressDescription != nullptr) {
        Violation("address descriptions are not configured for this list");
        return STATUS_INVALID_DEVICE_REQUEST;
    }

    auto match = Find(*list, IdentificationDescription);
    if (match != list->entries.end() && match->phase != ChildEntry::Phase::Missing) {
        match->found = true;
        return STATUS_OBJECT_NAME_EXISTS;
    }

    // A child reported missing but not yet removed gets a new entry beside the old one.
    list->entries.emplace_back(size);
    auto entry = std::prev(list->entries.end());
    std::memset(entry->header(), FreshEntryPattern, size);
    entry->header()->IdentificationDescriptionSize = size;
    NTSTATUS status = STATUS_SUCCESS;
    {
        IrqlScope locked(DISPATCH_LEVEL);
        if (auto duplicate = list->config.EvtChildListIdentificationDescriptionDuplicate) {
            status = duplicate(ChildList, IdentificationDescription, entry->header());
        } else {
            std::memcpy(entry->header(), IdentificationDescription, size);
        }
    }
    if (!NT_SUCCESS(status)) {
        Free(*list, entry);
        return status;
    }
    Changed(*list);
    return STATUS_SUCCESS;
}

NTSTATUS WdfChildListUpdateChildDescriptionAsMissing(
    WDFCHILDLIST ChildList,
    PWDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER IdentificationDescription) {
    NTSTATUS injected;
    if (Called("WdfChildListUpdateChildDescriptionAsMissing", &injected)) {
        return injected;
    }
    auto* list = ListFor(ChildList, "WdfChildListUpdateChildDescriptionAsMissing");
    if (list == nullptr) {
        return STATUS_INVALID_PARAMETER;
    }
    // The size check mirrors the one of AddOrUpdate.
    if (IdentificationDescription->IdentificationDescriptionSize !=
        list->config.IdentificationDescriptionSize) {
        return STATUS_INVALID_DEVICE_REQUEST;
    }
    auto match = Find(*list, IdentificationDescription);
    if (match == list->entries.end()) {
        return STATUS_NO_SUCH_DEVICE;
    }
    switch (match->phase) {
    case ChildEntry::Phase::PendingInsert:
        // Never reported: no device will ever exist for it.
        Free(*list, match);
        break;
    case ChildEntry::Phase::Present:
        match->phase = ChildEntry::Phase::Missing;
        Changed(*list);
        break;
    case ChildEntry::Phase::Missing:
        break;
    }
    return STATUS_SUCCESS;
}

VOID WdfChildListBeginScan(WDFCHILDLIST ChildList) {
    Called("WdfChildListBeginScan");
    auto* list = ListFor(ChildList, "WdfChildListBeginScan");
    if (list != nullptr && list->scanDepth++ == 0) {
        for (ChildEntry& entry : list->entries) {
            entry.found = false;
        }
    }
}

VOID WdfChildListEndScan(WDFCHILDLIST ChildList) {
    Called("WdfChildListEndScan");
    auto* list = ListFor(ChildList, "WdfChildListEndScan");
    if (list == nullptr) {
        return;
    }
    if (list->scanDepth == 0) {
        Violation("WdfChildListEndScan without WdfChildListBeginScan");
        return;
    }
    if (--list->scanDepth != 0) {
        return;
    }
    for (auto entry = list->entries.begin(); entry != list->entries.end();) {
        auto next = std::next(entry);
        if (!entry->found && entry->phase == ChildEntry::Phase::PendingInsert) {
            Free(*list, entry);
        } else if (!entry->found && entry->phase == ChildEntry::Phase::Present) {
            entry->phase = ChildEntry::Phase::Missing;
        }
        entry = next;
    }
    list->relationsInvalid = true;
}

namespace wdfsim {

void EnumerateChildren(ChildList& list) {
    if (!list.relationsInvalid) {
        return;
    }
    list.relationsInvalid = false;
    IrqlScope passive(PASSIVE_LEVEL);

    // Missing children leave the relations: Plug and Play removes their devices, and the
    // framework then frees their descriptions.
    for (auto entry = list.entries.begin(); entry != list.entries.end();) {
        auto next = std::next(entry);
        if (entry->phase == ChildEntry::Phase::Missing) {
            Free(list, entry);
        }
        entry = next;
    }

    // New children are created while the relations are answered. A failure deletes the
    // child's device and frees the description; the framework does not try again.
    for (auto entry = list.entries.begin(); entry != list.entries.end();) {
        auto next = std::next(entry);
        if (entry->phase == ChildEntry::Phase::PendingInsert) {
            entry->phase = ChildEntry::Phase::Present;
            WDFDEVICE_INIT init;
            init.pdo = true;
            init.parent = list.device;
            const NTSTATUS status =
                list.config.EvtChildListCreateDevice(HandleOfList(list), entry->header(), &init);
            if (NT_SUCCESS(status) && !init.created) {
                Violation("EvtChildListCreateDevice succeeded without creating a device");
            }
            if (NT_SUCCESS(status) && init.created) {
                entry->pdo = std::move(init.created);
            } else {
                Free(list, entry);
            }
        }
        entry = next;
    }
}

void RemoveAllChildren(ChildList& list) {
    while (!list.entries.empty()) {
        Free(list, list.entries.begin());
    }
}

} // namespace wdfsim
