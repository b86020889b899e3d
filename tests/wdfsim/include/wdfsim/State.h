// The simulation's records behind the framework handles, for the simulation itself and for
// driver tests that inspect what the driver configured.
#pragma once

#include <ntddk.h>
#include <wdf.h>

#include <atomic>
#include <cstddef>
#include <deque>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "wdfsim/Machine.h"

namespace wdfsim {

// Raw storage with the alignment any framework record needs.
class Storage {
public:
    explicit Storage(size_t bytes)
        : blocks_(new std::max_align_t[(bytes + sizeof(std::max_align_t) - 1) /
                                           sizeof(std::max_align_t) +
                                       1]) {}
    void* get() const { return blocks_.get(); }

private:
    std::unique_ptr<std::max_align_t[]> blocks_;
};

struct Object {
    Object();
    virtual ~Object();
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
    void SetAttributes(const WDF_OBJECT_ATTRIBUTES* given);

    WDF_OBJECT_ATTRIBUTES attributes{};
    bool hasAttributes = false;
    std::unique_ptr<Storage> context;
    // Objects whose parent this is: they are deleted with it.
    std::vector<std::unique_ptr<Object>> children;
};

struct PdoIdentity {
    std::wstring deviceId;
    std::vector<std::wstring> hardwareIds;
    std::wstring instanceId;
    struct Text {
        std::wstring description;
        std::wstring location;
    };
    std::map<LCID, Text> texts;
    LCID defaultLocale = 0;
};

struct ChildList;

struct Queue : Object {
    struct Device* device = nullptr;
    WDF_IO_QUEUE_CONFIG config{};
};

// What a device's initialisation record sets and the device created from it keeps.
struct DeviceSetup {
    bool pdo = false;
    DEVICE_TYPE deviceType = 0;
    bool exclusive = false; // as WdfDeviceInitSetExclusive asked
    bool hasFileObjectConfig = false;
    WDF_FILEOBJECT_CONFIG fileObjectConfig{};
    bool hasFileObjectAttributes = false;
    WDF_OBJECT_ATTRIBUTES fileObjectAttributes{};
    PdoIdentity identity;
};

struct Device : Object, DeviceSetup {
    // Of a bus device node: what its installation set, which alone makes opens exclusive.
    DeviceProperties properties;
    // File objects not yet closed: an exclusive stack admits no open while one exists.
    std::atomic<size_t> fileObjects{0};
    std::unique_ptr<ChildList> childList;
    std::unique_ptr<Queue> defaultQueue;
    std::vector<GUID> interfaces;
    bool hasBusInformation = false;
    PNP_BUS_INFORMATION busInformation{};
    bool hasPnpCapabilities = false;
    WDF_DEVICE_PNP_CAPABILITIES pnpCapabilities{};
    bool hasPowerCapabilities = false;
    WDF_DEVICE_POWER_CAPABILITIES powerCapabilities{};
    ~Device() override;
};

// One entry of a child list. An entry is a queued insert (not yet in the list proper), or in
// the list: present, or reported missing and then left out of a bus-relations answer, after
// which Plug and Play removes its device and only that frees the entry.
struct ChildEntry {
    explicit ChildEntry(ULONG size) : storage(size) {}
    PWDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER header() const {
        return static_cast<PWDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER>(storage.get());
    }
    Storage storage;
    bool queuedInsert = false;
    bool removalQueued = false;
    bool present = true;  // false: reported missing
    bool leftOut = false; // left out of an answer; Plug and Play has yet to remove the device
    bool found = true;    // reported since the last BeginScan
    std::unique_ptr<Device> pdo;
    HandleId pluggedThrough = 0; // the handle of the request that added it, 0 for none
};

struct ChildList : Object {
    using Entries = std::list<ChildEntry>;
    Device* device = nullptr;
    WDF_CHILD_LIST_CONFIG config{};
    // Stands in for the list's spin lock: it guards every field below.
    mutable std::mutex lock;
    Entries entries; // oldest first; queued inserts among them
    // Changes made while the list is locked for enumeration or a scan or iteration is open,
    // in the order made: a queued insert, or an entry with a queued removal.
    std::vector<Entries::iterator> modifications;
    int scanCount = 0; // BeginScan and BeginIteration raise it, their ends lower it
    bool relationsInvalid = false;
    // A bus-relations answer under way: the list is locked for enumeration, and these entries
    // still await their devices.
    bool enumerating = false;
    std::vector<Entries::iterator> toCreate;
    // Plug and Play answers one bus-relations query of a device at a time, and removes no
    // device of it meanwhile.
    std::mutex enumeration;
};

struct FileObject : Object {
    Device* device = nullptr;
    uint32_t access = 0;
    bool created = false; // the create request succeeded: the framework will call close
    HandleId handle = 0;
    FILE_OBJECT wdm{};
};

struct Request : Object {
    FileObject* file = nullptr;
    IRP irp{};
    size_t inputLength = 0;
    unsigned char* systemBuffer = nullptr;
    bool completed = false;
    NTSTATUS status = STATUS_SUCCESS;
    ULONG_PTR information = 0;
};

struct PoolBlock {
    POOL_TYPE type;
    SIZE_T size;
    ULONG tag;
};

struct Driver : Object {
    WDF_DRIVER_CONFIG config{};
};

struct WaitLock : Object {
    std::mutex mutex;
    std::atomic<std::thread::id> owner{}; // no thread's id while the lock is free
};

struct State {
    // The framework is called from any thread: this guards the records that every call may
    // touch (live objects, handles, pool, fault plans, the call record). Buses and the
    // driver change only while no request runs.
    std::mutex lock;
    std::set<const Object*> live;
    std::unique_ptr<Driver> driver;
    std::vector<std::unique_ptr<Device>> buses; // added and started, interfaces enabled
    // A request in flight keeps its file object alive while another thread closes the handle.
    std::map<HandleId, std::shared_ptr<FileObject>> handles;
    HandleId nextHandle = 4;
    std::map<void*, PoolBlock> pool;
    struct Fault {
        unsigned skip;
        NTSTATUS status;
    };
    std::map<std::string, std::deque<Fault>> faults;
    std::vector<std::string> calls;
    std::map<std::string, std::deque<std::function<void()>>> hooks;
    std::atomic<size_t> violations{0};
    std::atomic<size_t> fatalErrors{0};
    // Handles whose cleanup has returned: no child plugged in through them may stay present.
    std::set<HandleId> cleanedUp;
    class Interleaving* interleaving = nullptr;
};

// The machine the framework routines act on.
State& Current();

// Fails the running test with the verifier's finding.
void Violation(const std::string& finding);

// Fails the running test as bug check 0xCA (PNP_DETECTED_FATAL_ERROR) stops Windows.
void PnpFatalError(ULONG parameter1, ULONG parameter4, const std::string& rule);

// What Plug and Play finds wrong with the ids of a new child: the kind of id (1 device id, 2
// instance id, 3 hardware id) and the rule it breaks; kind 0 when the ids are valid.
struct IdFinding {
    ULONG kind = 0;
    std::string rule;
};
IdFinding CheckChildIds(const PdoIdentity& identity);
// Device instance paths compare without regard to case.
bool SameDeviceInstance(const PdoIdentity& first, const PdoIdentity& second);
// The device instance path for messages, characters outside printable ASCII escaped.
std::string InstancePath(const PdoIdentity& identity);

// Records the call of a framework or kernel routine and answers whether a test asked it to
// fail (with the status to return).
bool Called(const char* routine, NTSTATUS* injected = nullptr);

// Fails the test when the caller runs above the routine's highest IRQL.
void CheckIrql(const char* routine, KIRQL highest);

// IRQL belongs to a processor, and so to the thread running on it: every thread starts at
// PASSIVE_LEVEL.
KIRQL& ThreadIrql();

// Runs a callback at the given IRQL, as the framework does under a spin lock.
class IrqlScope {
public:
    explicit IrqlScope(KIRQL irql) : saved_(ThreadIrql()) { ThreadIrql() = irql; }
    ~IrqlScope() { ThreadIrql() = saved_; }
    IrqlScope(const IrqlScope&) = delete;
    IrqlScope& operator=(const IrqlScope&) = delete;

private:
    KIRQL saved_;
};

template <class T> T* Resolve(const void* handle, const char* routine) {
    const auto* object = static_cast<const Object*>(handle);
    bool live;
    {
        std::lock_guard<std::mutex> held(Current().lock);
        live = Current().live.count(object) != 0;
    }
    if (!live) {
        Violation(std::string(routine) + " called with an invalid or deleted handle");
        return nullptr;
    }
    auto* typed = dynamic_cast<T*>(const_cast<Object*>(object));
    if (typed == nullptr) {
        Violation(std::string(routine) + " called with a handle of another object type");
    }
    return typed;
}

template <class H> H HandleOf(Object* object) {
    return reinterpret_cast<H>(object);
}

// The handle whose request runs in this thread, 0 when none.
HandleId& ThreadHandle();
// How many child lists' locks the thread holds.
int& ListLocksHeld();

// Plug and Play's work on one bus, step by step: whether a step can be taken, and taking it.
bool CanTake(const ChildList& list, PnpStep step);
void Take(ChildList& list, PnpStep step);
// The removal of a bus: every entry freed.
void RemoveAllChildren(ChildList& list);

} // namespace wdfsim

// The framework's device initialisation record (opaque to drivers).
struct WDFDEVICE_INIT : wdfsim::DeviceSetup {
    bool hasChildListConfig = false;
    WDF_CHILD_LIST_CONFIG childListConfig{};
    std::unique_ptr<wdfsim::Device> created;
};
