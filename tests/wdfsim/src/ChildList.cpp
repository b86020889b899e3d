// The dynamic child list and the Plug and Play manager's enumeration of a bus.
//
// Entries not yet reported to Plug and Play are the "pending inserts"; they stand in the
// same list as reported children and are searched first, as the framework searches its
// pending changes before the list.
//
// Every operation runs under the list's lock. An entry that leaves the list is moved out
// under the lock and freed after it is released, since Cleanup runs outside the lock.

#include "wdfsim/State.h"

#include <cstring>

using namespace wdfsim;

namespace {

using Entries = std::list<ChildEntry>;

// The framework allocates a new entry without zeroing it; the pattern makes a duplicate
// callback that leaves a field unset visible to its cleanup.
constexpr unsigned char FreshEntryPattern = 0xA5;

WDFCHILDLIST HandleOfList(ChildList& list) {
    return HandleOf<WDFCHILDLIST>(&list);
}

// The list's spin lock: while it is held the thread runs at DISPATCH_LEVEL, and so do
// Compare, Duplicate and Copy, which are called only under it.
class Locked {
public:
    explicit Locked(ChildList& list) : held_(list.lock), raised_(DISPATCH_LEVEL) {}

private:
    std::lock_guard<std::mutex> held_;
    IrqlScope raised_;
};

bool SameChild(ChildList& list, const ChildEntry& entry,
               PWDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER description) {
    auto compare = list.config.EvtChildListIdentificationDescriptionCompare;
    const ULONG size = list.config.IdentificationDescriptionSize;
    return compare != nullptr ? compare(HandleOfList(list), entry.header(), description) != FALSE
                              : std::memcmp(entry.header(), description, size) == 0;
}

Entries::iterator Find(ChildList& list, PWDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER description) {
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

// Frees entries that have left the list: their devices are gone, and Cleanup runs outside
// the lock, at the caller's IRQL.
void Free(ChildList& list, Entries& gone) {
    for (ChildEntry& entry : gone) {
        entry.pdo.reset();
        if (auto cleanup = list.config.EvtChildListIdentificationDescriptionCleanup) {
            cleanup(HandleOfList(list), entry.header());
        }
    }
    gone.clear();
}

void Unlink(ChildList& list, Entries::iterator entry, Entries& gone) {
    gone.splice(gone.end(), list.entries, entry);
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

// The opening of the routines that take a description: the call is recorded, then a failure
// the test planned, an invalid handle or a description of another size than the list's ends
// the routine. Answers the list, or nullptr with the status the routine returns.
ChildList* ListForDescription(const char* routine, WDFCHILDLIST handle,
                              PWDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER description,
                              NTSTATUS* refusal) {
    if (Called(routine, refusal)) {
        return nullptr;
    }
    ChildList* list = ListFor(handle, routine);
    if (list == nullptr) {
        *refusal = STATUS_INVALID_PARAMETER;
    } else if (description->IdentificationDescriptionSize !=
               list->config.IdentificationDescriptionSize) {
        *refusal = STATUS_INVALID_DEVICE_REQUEST;
        list = nullptr;
    }
    return list;
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
    NTSTATUS refusal;
    auto* list = ListForDescription("WdfChildListAddOrUpdateChildDescriptionAsPresent", ChildList,
                                    IdentificationDescription, &refusal);
    if (list == nullptr) {
        return refusal;
    }
    if (AddressDescription != nullptr) {
        Violation("address descriptions are not configured for this list");
        return STATUS_INVALID_DEVICE_REQUEST;
    }

    // A child reported missing but not yet removed gets a new entry beside the old one.
    const ULONG size = list->config.IdentificationDescriptionSize;
    Entries fresh;
    fresh.emplace_back(size);
    PWDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER copy = fresh.front().header();
    std::memset(copy, FreshEntryPattern, size);
    copy->IdentificationDescriptionSize = size;
    NTSTATUS status = STATUS_SUCCESS;
    {
        Locked locked(*list);
        auto match = Find(*list, IdentificationDescription);
        if (match != list->entries.end() && match->phase != ChildEntry::Phase::Missing) {
            match->found = true;
            return STATUS_OBJECT_NAME_EXISTS; // the unused entry was never filled: no Cleanup
        }
        if (auto duplicate = list->config.EvtChildListIdentificationDescriptionDuplicate) {
            status = duplicate(ChildList, IdentificationDescription, copy);
        } else {
            std::memcpy(copy, IdentificationDescription, size);
        }
        if (NT_SUCCESS(status)) {
            list->entries.splice(list->entries.end(), fresh);
            Changed(*list);
            return STATUS_SUCCESS;
        }
    }
    Free(*list, fresh);
    return status;
}

NTSTATUS WdfChildListUpdateChildDescriptionAsMissing(
    WDFCHILDLIST ChildList,
    PWDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER IdentificationDescription) {
    NTSTATUS refusal;
    auto* list = ListForDescription("WdfChildListUpdateChildDescriptionAsMissing", ChildList,
                                    IdentificationDescription, &refusal);
    if (list == nullptr) {
        return refusal;
    }
    Entries gone;
    {
        Locked locked(*list);
        auto match = Find(*list, IdentificationDescription);
        if (match == list->entries.end()) {
            return STATUS_NO_SUCH_DEVICE;
        }
        switch (match->phase) {
        case ChildEntry::Phase::PendingInsert:
            // Never reported: no device will ever exist for it.
            Unlink(*list, match, gone);
            break;
        case ChildEntry::Phase::Present:
            match->phase = ChildEntry::Phase::Missing;
            Changed(*list);
            break;
        case ChildEntry::Phase::Missing:
            break;
        }
    }
    Free(*list, gone);
    return STATUS_SUCCESS;
}

VOID WdfChildListBeginScan(WDFCHILDLIST ChildList) {
    Called("WdfChildListBeginScan");
    auto* list = ListFor(ChildList, "WdfChildListBeginScan");
    if (list == nullptr) {
        return;
    }
    Locked locked(*list);
    if (list->scanDepth++ == 0) {
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
    Entries gone;
    {
        Locked locked(*list);
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
                Unlink(*list, entry, gone);
            } else if (!entry->found && entry->phase == ChildEntry::Phase::Present) {
                entry->phase = ChildEntry::Phase::Missing;
            }
            entry = next;
        }
        list->relationsInvalid = true;
    }
    Free(*list, gone);
}

namespace wdfsim {

void EnumerateChildren(ChildList& list) {
    std::lock_guard<std::mutex> oneQuery(list.enumeration);
    IrqlScope passive(PASSIVE_LEVEL);

    // Missing children leave the relations: Plug and Play removes their devices, and the
    // framework then frees their descriptions. Pending inserts are reported.
    Entries gone;
    std::vector<Entries::iterator> reported;
    {
        Locked locked(list);
        if (!list.relationsInvalid) {
            return;
        }
        list.relationsInvalid = false;
        for (auto entry = list.entries.begin(); entry != list.entries.end();) {
            auto next = std::next(entry);
            if (entry->phase == ChildEntry::Phase::Missing) {
                Unlink(list, entry, gone);
            } else if (entry->phase == ChildEntry::Phase::PendingInsert) {
                entry->phase = ChildEntry::Phase::Present;
                reported.push_back(entry);
            }
            entry = next;
        }
    }
    Free(list, gone);

    // New children are created while the relations are answered, outside the lock. Only an
    // enumeration frees a reported child, so each entry stays until its device exists. A
    // failure deletes the child's device and frees the description; no retry. The retry that
    // STATUS_RETRY asks for before WdfDeviceCreate is not simulated: it fails like any other.
    for (auto entry : reported) {
        WDFDEVICE_INIT init;
        init.pdo = true;
        init.parent = list.device;
        const NTSTATUS status =
            list.config.EvtChildListCreateDevice(HandleOfList(list), entry->header(), &init);
        if (NT_SUCCESS(status) && !init.created) {
            Violation("EvtChildListCreateDevice succeeded without creating a device");
        }
        {
            Locked locked(list);
            if (NT_SUCCESS(status) && init.created) {
                entry->pdo = std::move(init.created);
            } else {
                Unlink(list, entry, gone);
            }
        }
        Free(list, gone);
    }
}

void RemoveAllChildren(ChildList& list) {
    Entries gone;
    {
        Locked locked(list);
        gone.splice(gone.end(), list.entries);
    }
    Free(list, gone);
}

} // namespace wdfsim
