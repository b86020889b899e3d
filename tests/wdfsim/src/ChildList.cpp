// The dynamic child list and the Plug and Play manager's enumeration of a bus.
//
// Entries not yet reported to Plug and Play are the "pending inserts"; they stand in the
// same list as reported children and are searched first, as the framework searches its
// pending changes before the list. New entries go to the end; searches run from the end, so
// that the newest entry of a child is found first.
//
// A child reported missing keeps its entry and device: the next bus-relations answer leaves
// it out, and only Plug and Play's removal of its device, a step of its own, frees the entry.
//
// Every operation runs under the list's lock. An entry that leaves the list is moved out
// under the lock and freed after it is released, since Cleanup runs outside the lock.

#include "wdfsim/State.h"

#include <cstring>

using namespace wdfsim;

namespace {

using Entries = std::list<ChildEntry>;

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
    for (bool pending : {true, false}) {
        for (auto entry = list.entries.rbegin(); entry != list.entries.rend(); ++entry) {
            if ((entry->phase == ChildEntry::Phase::PendingInsert) == pending &&
                SameChild(list, *entry, description)) {
                return std::prev(entry.base());
            }
        }
    }
    return list.entries.end();
}

// A pending insert or a present child: a new description for it is refused.
bool CountsAsPresent(const ChildEntry& entry) {
    return entry.phase == ChildEntry::Phase::Present ||
           entry.phase == ChildEntry::Phase::PendingInsert;
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

    // A child reported missing but not yet removed gets a new entry beside the old one. New
    // entries are zero-filled, their header's size set.
    const ULONG size = list->config.IdentificationDescriptionSize;
    Entries fresh;
    fresh.emplace_back(size);
    PWDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER copy = fresh.front().header();
    std::memset(copy, 0, size);
    copy->IdentificationDescriptionSize = size;
    NTSTATUS status = STATUS_SUCCESS;
    {
        Locked locked(*list);
        auto match = Find(*list, IdentificationDescription);
        if (match != list->entries.end() && CountsAsPresent(*match)) {
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
        case ChildEntry::Phase::Removing:
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

namespace {

// An iteration sees the list as it stood at its beginning, as the framework defers the list's
// changes to its end: a copy of each matching description, with its device where one exists.
struct Iteration {
    struct Child {
        Child(ULONG size, Device* pdo) : description(size), device(pdo) {}
        Storage description;
        Device* device;
    };
    std::list<Child> children;
};

ULONG RetrieveFlag(const ChildEntry& entry) {
    switch (entry.phase) {
    case ChildEntry::Phase::PendingInsert:
        return WdfRetrievePendingChildren;
    case ChildEntry::Phase::Present:
        return WdfRetrievePresentChildren;
    case ChildEntry::Phase::Missing:
    case ChildEntry::Phase::Removing:
        break;
    }
    // Whether or not its device exists yet: one still being created will exist.
    return WdfRetrieveMissingChildren;
}

Iteration* IterationOf(PWDF_CHILD_LIST_ITERATOR iterator, const char* routine) {
    auto* iteration = static_cast<Iteration*>(iterator->Reserved[0]);
    if (iterator->Size != sizeof(WDF_CHILD_LIST_ITERATOR) || iteration == nullptr) {
        Violation(std::string(routine) + " with an iterator not begun");
    }
    return iteration;
}

} // namespace

VOID WdfChildListBeginIteration(WDFCHILDLIST ChildList, PWDF_CHILD_LIST_ITERATOR Iterator) {
    Called("WdfChildListBeginIteration");
    auto* list = ListFor(ChildList, "WdfChildListBeginIteration");
    if (list == nullptr) {
        return;
    }
    if (Iterator->Size != sizeof(WDF_CHILD_LIST_ITERATOR) ||
        (Iterator->Flags & ~static_cast<ULONG>(WdfRetrieveAllChildren)) != 0 ||
        Iterator->Flags == WdfRetrieveUnspecified) {
        Violation("WdfChildListBeginIteration with a wrong Size or Flags");
        return;
    }
    auto iteration = std::make_unique<Iteration>();
    const ULONG size = list->config.IdentificationDescriptionSize;
    Locked locked(*list);
    for (const ChildEntry& entry : list->entries) {
        if ((RetrieveFlag(entry) & Iterator->Flags) != 0) {
            iteration->children.emplace_back(size, entry.pdo.get());
            std::memcpy(iteration->children.back().description.get(), entry.header(), size);
        }
    }
    Iterator->Reserved[0] = iteration.release();
    list->iterations++;
}

NTSTATUS WdfChildListRetrieveNextDevice(WDFCHILDLIST ChildList, PWDF_CHILD_LIST_ITERATOR Iterator,
                                        WDFDEVICE* Device, PWDF_CHILD_RETRIEVE_INFO Info) {
    Called("WdfChildListRetrieveNextDevice");
    auto* list = ListFor(ChildList, "WdfChildListRetrieveNextDevice");
    Iteration* iteration = IterationOf(Iterator, "WdfChildListRetrieveNextDevice");
    *Device = nullptr;
    if (list == nullptr || iteration == nullptr) {
        return STATUS_INVALID_PARAMETER;
    }
    const ULONG size = list->config.IdentificationDescriptionSize;
    if (Info != nullptr &&
        (Info->Size != sizeof(WDF_CHILD_RETRIEVE_INFO) ||
         (Info->IdentificationDescription != nullptr &&
          Info->IdentificationDescription->IdentificationDescriptionSize != size))) {
        return STATUS_INVALID_DEVICE_REQUEST;
    }
    if (iteration->children.empty()) {
        return STATUS_NO_MORE_ENTRIES;
    }
    Iteration::Child& child = iteration->children.front();
    *Device = child.device == nullptr ? nullptr : HandleOf<WDFDEVICE>(child.device);
    if (Info != nullptr) {
        Info->Status = child.device == nullptr ? WdfChildListRetrieveDeviceNotYetCreated
                                               : WdfChildListRetrieveDeviceSuccess;
        if (Info->IdentificationDescription != nullptr) {
            auto source =
                static_cast<PWDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER>(child.description.get());
            Locked locked(*list);
            if (auto copy = list->config.EvtChildListIdentificationDescriptionCopy) {
                copy(ChildList, source, Info->IdentificationDescription);
            } else {
                std::memcpy(Info->IdentificationDescription, source, size);
            }
        }
    }
    iteration->children.pop_front();
    return STATUS_SUCCESS;
}

VOID WdfChildListEndIteration(WDFCHILDLIST ChildList, PWDF_CHILD_LIST_ITERATOR Iterator) {
    Called("WdfChildListEndIteration");
    auto* list = ListFor(ChildList, "WdfChildListEndIteration");
    std::unique_ptr<Iteration> iteration(IterationOf(Iterator, "WdfChildListEndIteration"));
    if (list != nullptr && iteration) {
        Iterator->Reserved[0] = nullptr;
        Locked locked(*list);
        list->iterations--;
    }
}

namespace {

// The children a bus-relations answer reports anew: each gets its device, created outside the
// lock, and Plug and Play reads its ids. A failure deletes the child's device and frees the
// description; no retry. The retry that STATUS_RETRY asks for before WdfDeviceCreate is not
// simulated: it fails like any other.
void CreateReported(ChildList& list, const std::vector<Entries::iterator>& reported) {
    Entries gone;
    for (auto entry : reported) {
        WDFDEVICE_INIT init;
        init.pdo = true;
        const NTSTATUS status =
            list.config.EvtChildListCreateDevice(HandleOfList(list), entry->header(), &init);
        if (NT_SUCCESS(status) && !init.created) {
            Violation("EvtChildListCreateDevice succeeded without creating a device");
        }
        const bool created = NT_SUCCESS(status) && init.created;
        if (created) {
            const IdFinding finding = CheckChildIds(init.created->identity);
            if (finding.kind != 0) {
                PnpFatalError(3, finding.kind, "invalid ID: " + finding.rule);
            }
        }
        {
            Locked locked(list);
            if (created) {
                // Every device of the bus that still exists counts, those left out of an
                // answer and not yet removed among them.
                for (const ChildEntry& other : list.entries) {
                    if (other.pdo &&
                        SameDeviceInstance(other.pdo->identity, init.created->identity)) {
                        PnpFatalError(1, 0,
                                      "duplicate PDO: two children of one bus are " +
                                          InstancePath(init.created->identity));
                    }
                }
                entry->pdo = std::move(init.created);
            } else {
                Unlink(list, entry, gone);
            }
        }
        Free(list, gone);
    }
}

} // namespace

namespace wdfsim {

void AnswerBusRelations(ChildList& list) {
    std::lock_guard<std::mutex> oneQuery(list.enumeration);
    IrqlScope passive(PASSIVE_LEVEL);

    // Missing children are left out of the answer, which queues their removal; pending inserts
    // are reported.
    std::vector<Entries::iterator> reported;
    {
        Locked locked(list);
        if (!list.relationsInvalid) {
            return;
        }
        list.relationsInvalid = false;
        for (auto entry = list.entries.begin(); entry != list.entries.end(); ++entry) {
            if (entry->phase == ChildEntry::Phase::Missing) {
                entry->phase = ChildEntry::Phase::Removing;
            } else if (entry->phase == ChildEntry::Phase::PendingInsert) {
                entry->phase = ChildEntry::Phase::Present;
                reported.push_back(entry);
            }
        }
    }
    // Only a removal frees a reported child, and removals wait for this query: each entry
    // stays until its device exists.
    CreateReported(list, reported);
}

// Plug and Play removes the devices left out of an answer; each remove request frees the
// child's entry.
void RemoveLeftOutChildren(ChildList& list) {
    std::lock_guard<std::mutex> oneQuery(list.enumeration);
    IrqlScope passive(PASSIVE_LEVEL);
    Entries gone;
    {
        Locked locked(list);
        for (auto entry = list.entries.begin(); entry != list.entries.end();) {
            auto next = std::next(entry);
            if (entry->phase == ChildEntry::Phase::Removing) {
                Unlink(list, entry, gone);
            }
            entry = next;
        }
    }
    Free(list, gone);
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
