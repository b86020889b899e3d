// The dynamic child list and the Plug and Play manager's enumeration of a bus.
//
// The list applies a change at once only while it is unlocked and no scan or iteration is
// open. While Plug and Play's bus-relations answer holds it locked for enumeration, or a scan
// or iteration is open, changes are queued in order and applied once neither holds: an unplug
// then leaves its child present, with a removal queued, and a re-plug of the same description
// makes a second entry beside it.
//
// Searches run through the queued inserts first, then the list, newest entry first. A child
// reported missing keeps its entry and device: the next answer leaves it out, and only Plug
// and Play's removal of its device, a step of its own, frees the entry.
//
// An entry that leaves the list is moved out under the list's lock and freed after it is
// released, since Cleanup runs outside the lock, at the caller's IRQL.

#include "wdfsim/State.h"

#include <algorithm>
#include <cstring>

using namespace wdfsim;

namespace {

using Entries = ChildList::Entries;

WDFCHILDLIST HandleOfList(ChildList& list) {
    return HandleOf<WDFCHILDLIST>(&list);
}

// The list's spin lock: while it is held the thread runs at DISPATCH_LEVEL, and so does
// Compare, which is called only under it.
class Locked {
public:
    explicit Locked(const ChildList& list) : held_(list.lock), raised_(DISPATCH_LEVEL) {
        ++ListLocksHeld();
    }
    ~Locked() { --ListLocksHeld(); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    std::lock_guard<std::mutex> held_;
    IrqlScope raised_;
};

bool Deferring(const ChildList& list) {
    return list.enumerating || list.scanCount > 0;
}

// Counts as present to a search and to Plug and Play's answer under way.
bool CountsAsPresent(const ChildEntry& entry) {
    return entry.queuedInsert || entry.present;
}

Entries::iterator Find(ChildList& list, PWDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER description) {
    for (bool queued : {true, false}) {
        for (auto entry = list.entries.rbegin(); entry != list.entries.rend(); ++entry) {
            if (entry->queuedInsert == queued &&
                list.config.EvtChildListIdentificationDescriptionCompare(
                    HandleOfList(list), entry->header(), description) != FALSE) {
                return std::prev(entry.base());
            }
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
    for (auto* pending : {&list.modifications, &list.toCreate}) {
        pending->erase(std::remove(pending->begin(), pending->end(), entry), pending->end());
    }
    gone.splice(gone.end(), list.entries, entry);
}

// A removal taking effect: a child with a device is reported missing in the next answer; one
// without is freed.
void Remove(ChildList& list, Entries::iterator entry, Entries& gone) {
    entry->removalQueued = false;
    if (entry->pdo) {
        entry->present = false;
        list.relationsInvalid = true;
    } else {
        Unlink(list, entry, gone);
    }
}

void RemoveOrQueue(ChildList& list, Entries::iterator entry, Entries& gone) {
    if (!Deferring(list)) {
        Remove(list, entry, gone);
    } else if (!entry->removalQueued) {
        entry->removalQueued = true;
        list.modifications.push_back(entry);
    }
}

// The queued changes, in order, once the list is unlocked and no scan or iteration is open.
void ApplyQueue(ChildList& list, Entries& gone) {
    if (Deferring(list)) {
        return;
    }
    const std::vector<Entries::iterator> queue = std::move(list.modifications);
    list.modifications.clear();
    for (auto entry : queue) {
        if (entry->queuedInsert) {
            entry->queuedInsert = false;
            list.relationsInvalid = true;
        } else {
            Remove(list, entry, gone);
        }
    }
}

// The last EndScan or EndIteration ends a scan, whichever Begin opened it: queued inserts and
// present children not reported since the last BeginScan are dropped and marked missing.
void EndOfScan(ChildList& list, Entries& gone) {
    for (auto entry = list.entries.begin(); entry != list.entries.end();) {
        const auto next = std::next(entry);
        if (!entry->found && entry->queuedInsert) {
            Unlink(list, entry, gone);
        } else if (!entry->found && entry->present) {
            RemoveOrQueue(list, entry, gone);
        }
        entry = next;
    }
    list.relationsInvalid = true;
    ApplyQueue(list, gone);
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

// The simulated list compares with the driver's callback and copies byte for byte, as the bus
// configures it: the framework's Duplicate callback is not simulated.
NTSTATUS WdfChildListAddOrUpdateChildDescriptionAsPresent(
    WDFCHILDLIST ChildList, PWDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER IdentificationDescription,
    PWDF_CHILD_ADDRESS_DESCRIPTION_HEADER AddressDescription) {
    NTSTATUS refusal;
    auto* list = ListForDescription("WdfChildListAddOrUpdateChildDescriptionAsPresent", ChildList,
                                    IdentificationDescription, &refusal);
    // The bus configures no address descriptions: the simulation takes none.
    UNREFERENCED_PARAMETER(AddressDescription);
    if (list == nullptr) {
        return refusal;
    }

    Locked locked(*list);
    // A child reported missing, or with a removal queued, gets a new entry beside the old.
    auto match = Find(*list, IdentificationDescription);
    if (match != list->entries.end() && CountsAsPresent(*match) && !match->removalQueued) {
        match->found = true;
        return STATUS_OBJECT_NAME_EXISTS;
    }
    const ULONG size = list->config.IdentificationDescriptionSize;
    const auto entry = list->entries.emplace(list->entries.end(), size);
    std::memcpy(entry->header(), IdentificationDescription, size);
    entry->pluggedThrough = ThreadHandle();
    if (Deferring(*list)) {
        entry->queuedInsert = true;
        list->modifications.push_back(entry);
    } else {
        list->relationsInvalid = true;
    }
    return STATUS_SUCCESS;
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
        if (match->queuedInsert) {
            // Never reported, locked or not: no device will ever exist for it.
            Unlink(*list, match, gone);
        } else if (match->present) {
            match->found = false;
            RemoveOrQueue(*list, match, gone);
        }
    }
    Free(*list, gone);
    return STATUS_SUCCESS;
}

// Each BeginScan clears every entry's mark, nested or not: a child reported during an outer
// scan and not again during the inner one goes at the end. Where the framework may keep such
// a mark, the simulation takes the side on which more children are dropped.
VOID WdfChildListBeginScan(WDFCHILDLIST ChildList) {
    Called("WdfChildListBeginScan");
    auto* list = ListFor(ChildList, "WdfChildListBeginScan");
    if (list == nullptr) {
        return;
    }
    Locked locked(*list);
    list->scanCount++;
    for (ChildEntry& entry : list->entries) {
        entry.found = false;
    }
}

namespace {

// EndScan and EndIteration: the one that brings the count to 0 ends the scan.
void EndScanOrIteration(ChildList& list, const char* routine) {
    Entries gone;
    {
        Locked locked(list);
        if (list.scanCount == 0) {
            Violation(std::string(routine) + " without a scan or iteration begun");
            return;
        }
        if (--list.scanCount == 0) {
            EndOfScan(list, gone);
        }
    }
    Free(list, gone);
}

} // namespace

VOID WdfChildListEndScan(WDFCHILDLIST ChildList) {
    Called("WdfChildListEndScan");
    if (auto* list = ListFor(ChildList, "WdfChildListEndScan")) {
        EndScanOrIteration(*list, "WdfChildListEndScan");
    }
}

namespace {

// An iteration returns the children as they stood at its beginning: a copy of each matching
// description, with its device where one exists.
struct Iteration {
    struct Child {
        Child(ULONG size, Device* pdo) : description(size), device(pdo) {}
        Storage description;
        Device* device;
    };
    std::list<Child> children;
};

// A child whose device is being created in the answer under way is pending, not missing.
ULONG RetrieveFlag(const ChildEntry& entry) {
    if (entry.queuedInsert || (entry.present && !entry.pdo)) {
        return WdfRetrievePendingChildren;
    }
    return entry.present ? WdfRetrievePresentChildren : WdfRetrieveMissingChildren;
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
    list->scanCount++;
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
            std::memcpy(Info->IdentificationDescription, child.description.get(), size);
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
        EndScanOrIteration(*list, "WdfChildListEndIteration");
    }
}

namespace {

// The next child of the answer under way gets its device, created outside the lock, and Plug
// and Play reads its ids. A failure deletes the child's device and frees the description; no
// retry. The retry that STATUS_RETRY asks for before WdfDeviceCreate is not simulated: it
// fails like any other.
void CreateChild(ChildList& list) {
    Entries::iterator entry;
    {
        Locked locked(list);
        entry = list.toCreate.front();
        list.toCreate.erase(list.toCreate.begin());
    }
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
    Entries gone;
    {
        Locked locked(list);
        if (created) {
            // Every device of the bus that still exists counts, those left out of an answer and
            // not yet removed among them.
            for (const ChildEntry& other : list.entries) {
                if (other.pdo && SameDeviceInstance(other.pdo->identity, init.created->identity)) {
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

} // namespace

namespace wdfsim {

bool CanTake(const ChildList& list, PnpStep step) {
    Locked locked(list);
    switch (step) {
    case PnpStep::StartAnswer:
        return !list.enumerating && list.relationsInvalid;
    case PnpStep::CreateChild:
        return list.enumerating && !list.toCreate.empty();
    case PnpStep::FinishAnswer:
        return list.enumerating && list.toCreate.empty();
    case PnpStep::RemoveChild:
        return !list.enumerating && std::any_of(list.entries.begin(), list.entries.end(),
                                                [](const ChildEntry& e) { return e.leftOut; });
    }
    return false;
}

void Take(ChildList& list, PnpStep step) {
    IrqlScope passive(PASSIVE_LEVEL);
    if (step == PnpStep::CreateChild) {
        CreateChild(list);
        return;
    }
    Entries gone;
    {
        Locked locked(list);
        switch (step) {
        case PnpStep::StartAnswer:
            // The answer reports every present child, one with a removal queued too; the ones
            // reported missing are left out, which queues their removal by Plug and Play.
            list.relationsInvalid = false;
            list.enumerating = true;
            for (auto entry = list.entries.begin(); entry != list.entries.end(); ++entry) {
                if (entry->queuedInsert) {
                    continue;
                }
                if (entry->present && !entry->pdo) {
                    list.toCreate.push_back(entry);
                } else if (!entry->present) {
                    entry->leftOut = true;
                }
            }
            break;
        case PnpStep::FinishAnswer:
            list.enumerating = false;
            ApplyQueue(list, gone);
            break;
        case PnpStep::RemoveChild:
            Unlink(list,
                   std::find_if(list.entries.begin(), list.entries.end(),
                                [](const ChildEntry& e) { return e.leftOut; }),
                   gone);
            break;
        case PnpStep::CreateChild:
            break;
        }
    }
    Free(list, gone);
}

void RemoveAllChildren(ChildList& list) {
    Entries gone;
    {
        Locked locked(list);
        list.modifications.clear();
        list.toCreate.clear();
        gone.splice(gone.end(), list.entries);
    }
    Free(list, gone);
}

} // namespace wdfsim
