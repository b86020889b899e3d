// The machine: its one current state, the verifier's reporting, the loader and the Plug and
// Play manager's handling of bus devices.

#include "wdfsim/Interleaving.h"
#include "wdfsim/State.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

// The loader stub binds the driver by this name.
extern "C" DRIVER_INITIALIZE DriverEntry;

namespace wdfsim {

namespace {
State* current = nullptr;
thread_local KIRQL irql = PASSIVE_LEVEL;
thread_local int listLocksHeld = 0;
thread_local HandleId threadHandle = 0;

// The routines that read or change what another request or Plug and Play can see: an actor
// taking turns with others reaches a switch point before each. The release of a wait lock is
// none: what follows it touches only the request's own state up to the next switch point, so a
// switch there would give the orders that one at the next switch point gives.
bool SharedStateRoutine(const char* routine) {
    return std::strncmp(routine, "WdfChildList", 12) == 0 ||
           std::strcmp(routine, "WdfWaitLockAcquire") == 0;
}
} // namespace

KIRQL& ThreadIrql() {
    return irql;
}

int& ListLocksHeld() {
    return listLocksHeld;
}

HandleId& ThreadHandle() {
    return threadHandle;
}

State& Current() {
    if (current == nullptr) {
        ADD_FAILURE() << "a framework routine ran with no simulated machine";
        std::abort();
    }
    return *current;
}

void Violation(const std::string& finding) {
    ++Current().violations;
    ADD_FAILURE() << "driver verifier: " << finding;
}

bool Called(const char* routine, NTSTATUS* injected) {
    State& state = Current();
    // Under a list's lock the thread holds a spin lock: nothing else runs on its processor.
    if (state.interleaving != nullptr && Interleaving::InActor() && listLocksHeld == 0 &&
        SharedStateRoutine(routine)) {
        state.interleaving->SwitchPoint();
    }
    std::unique_lock<std::mutex> held(state.lock);
    state.calls.push_back(routine);
    auto hook = state.hooks.find(routine);
    if (hook != state.hooks.end() && !hook->second.empty()) {
        const std::function<void()> action = std::move(hook->second.front());
        hook->second.pop_front();
        held.unlock();
        action();
        held.lock();
    }
    auto fault = state.faults.find(routine);
    if (fault == state.faults.end() || fault->second.empty()) {
        return false;
    }
    State::Fault& next = fault->second.front();
    if (next.skip != 0) {
        --next.skip;
        return false;
    }
    if (injected != nullptr) {
        *injected = next.status;
    }
    fault->second.pop_front();
    return true;
}

void CheckIrql(const char* routine, KIRQL highest) {
    if (irql > highest) {
        Violation(std::string(routine) + " called at IRQL " + std::to_string(irql));
    }
}

Object::Object() {
    std::lock_guard<std::mutex> held(Current().lock);
    Current().live.insert(this);
}

Object::~Object() {
    // The framework calls the destroy callback once the object's children are gone; its context
    // is still there.
    if (current != nullptr && hasAttributes && attributes.EvtDestroyCallback != nullptr) {
        IrqlScope passive(PASSIVE_LEVEL);
        attributes.EvtDestroyCallback(HandleOf<WDFOBJECT>(this));
    }
    if (current != nullptr) {
        std::lock_guard<std::mutex> held(current->lock);
        current->live.erase(this);
    }
}

Device::~Device() = default;

void Object::SetAttributes(const WDF_OBJECT_ATTRIBUTES* given) {
    if (given == WDF_NO_OBJECT_ATTRIBUTES) {
        return;
    }
    if (given->Size != sizeof(WDF_OBJECT_ATTRIBUTES)) {
        Violation("object attributes with a wrong Size");
    }
    attributes = *given;
    hasAttributes = true;
    if (given->ContextTypeInfo != nullptr) {
        // Contexts are zero-filled by the framework.
        const size_t size = given->ContextSizeOverride != 0 ? given->ContextSizeOverride
                                                            : given->ContextTypeInfo->ContextSize;
        context = std::make_unique<Storage>(size);
        std::memset(context->get(), 0, size);
    }
}

Machine::Machine() : state_(std::make_unique<State>()) {
    if (current != nullptr) {
        ADD_FAILURE() << "only one simulated machine may exist at a time";
    }
    current = state_.get();
}

Machine::~Machine() {
    while (!state_->handles.empty()) {
        Close(state_->handles.begin()->first);
    }
    RunPnp();
    // Removing a bus device removes its children and frees every description it holds.
    for (auto& bus : state_->buses) {
        if (bus->childList) {
            if (bus->childList->scanCount != 0) {
                Violation("a child list scan or iteration was never ended");
            }
            RemoveAllChildren(*bus->childList);
        }
    }
    state_->buses.clear();
    state_->driver.reset();
    for (const auto& [block, record] : state_->pool) {
        Violation("pool block leaked: " + std::to_string(record.size) + " bytes, tag 0x" +
                  [](ULONG tag) {
                      char text[16];
                      std::snprintf(text, sizeof(text), "%08lX", tag);
                      return std::string(text);
                  }(record.tag));
        ::operator delete(block);
    }
    current = nullptr;
}

Status Machine::LoadDriver() {
    IrqlScope passive(PASSIVE_LEVEL);
    DRIVER_OBJECT driverObject{};
    WCHAR path[] = L"\\Registry\\Machine\\System\\CurrentControlSet\\Services\\ConferenceBus";
    UNICODE_STRING registryPath;
    registryPath.Buffer = path;
    registryPath.Length = static_cast<USHORT>(std::wcslen(path) * sizeof(WCHAR));
    registryPath.MaximumLength = static_cast<USHORT>(sizeof(path));
    const NTSTATUS status = DriverEntry(&driverObject, &registryPath);
    if (NT_SUCCESS(status) && !state_->driver) {
        Violation("DriverEntry succeeded without creating the framework driver");
    }
    // A failed entry unbinds the framework: the driver object is gone.
    if (!NT_SUCCESS(status)) {
        state_->driver.reset();
    }
    return status;
}

Status Machine::AddBus(size_t* bus, DeviceProperties properties) {
    if (!state_->driver || state_->driver->config.EvtDriverDeviceAdd == nullptr) {
        ADD_FAILURE() << "a bus device is added before the driver is loaded";
        return STATUS_UNSUCCESSFUL;
    }
    WDFDEVICE_INIT init;
    NTSTATUS status;
    {
        IrqlScope passive(PASSIVE_LEVEL);
        status = state_->driver->config.EvtDriverDeviceAdd(
            HandleOf<WDFDRIVER>(state_->driver.get()), &init);
    }
    // On failure the framework deletes whatever the callback created.
    if (!NT_SUCCESS(status)) {
        return status;
    }
    if (!init.created) {
        Violation("device add succeeded without creating a device");
        return STATUS_UNSUCCESSFUL;
    }
    init.created->properties = properties;
    state_->buses.push_back(std::move(init.created));
    if (bus != nullptr) {
        *bus = state_->buses.size() - 1;
    }
    return status;
}

size_t Machine::BusCount() const {
    return state_->buses.size();
}

void Machine::RunPnp() {
    AnswerBusRelations();
    RemoveLeftOutChildren();
}

void Machine::AnswerBusRelations() {
    for (auto& bus : state_->buses) {
        if (ChildList* list = bus->childList.get()) {
            std::lock_guard<std::mutex> oneQuery(list->enumeration);
            if (CanTake(*list, PnpStep::StartAnswer)) {
                wdfsim::Take(*list, PnpStep::StartAnswer);
                while (CanTake(*list, PnpStep::CreateChild)) {
                    wdfsim::Take(*list, PnpStep::CreateChild);
                }
                wdfsim::Take(*list, PnpStep::FinishAnswer);
            }
        }
    }
}

void Machine::RemoveLeftOutChildren() {
    for (auto& bus : state_->buses) {
        if (ChildList* list = bus->childList.get()) {
            std::lock_guard<std::mutex> oneQuery(list->enumeration);
            while (CanTake(*list, PnpStep::RemoveChild)) {
                wdfsim::Take(*list, PnpStep::RemoveChild);
            }
        }
    }
}

std::vector<PnpStep> Machine::PnpSteps(size_t bus) const {
    std::vector<PnpStep> steps;
    if (const ChildList* list = state_->buses.at(bus)->childList.get()) {
        for (PnpStep step : {PnpStep::StartAnswer, PnpStep::CreateChild, PnpStep::FinishAnswer,
                             PnpStep::RemoveChild}) {
            if (CanTake(*list, step)) {
                steps.push_back(step);
            }
        }
    }
    return steps;
}

void Machine::Take(size_t bus, PnpStep step) {
    wdfsim::Take(*state_->buses.at(bus)->childList, step);
}

std::string Machine::ChildOutlivingItsHandle(size_t bus) const {
    const ChildList* list = state_->buses.at(bus)->childList.get();
    if (list == nullptr) {
        return {};
    }
    std::lock_guard<std::mutex> listHeld(list->lock);
    std::lock_guard<std::mutex> held(state_->lock);
    for (const ChildEntry& entry : list->entries) {
        const bool stays = entry.queuedInsert || (entry.present && !entry.removalQueued);
        if (stays && state_->cleanedUp.count(entry.pluggedThrough) != 0) {
            return "a child plugged in through handle " + std::to_string(entry.pluggedThrough) +
                   " is present after the handle's cleanup";
        }
    }
    return {};
}

std::vector<ChildInfo> Machine::Children(size_t bus) const {
    std::vector<ChildInfo> children;
    const ChildList* list = state_->buses.at(bus)->childList.get();
    if (list == nullptr) {
        return children;
    }
    std::lock_guard<std::mutex> held(list->lock);
    for (const ChildEntry& entry : list->entries) {
        if (!entry.pdo) {
            continue;
        }
        const Device& pdo = *entry.pdo;
        const PdoIdentity& identity = pdo.identity;
        ChildInfo child{pdo.deviceType,
                        identity.deviceId,
                        identity.hardwareIds,
                        identity.instanceId,
                        {},
                        {},
                        identity.defaultLocale};
        auto text = identity.texts.find(identity.defaultLocale);
        if (text != identity.texts.end()) {
            child.description = text->second.description;
            child.location = text->second.location;
        }
        children.push_back(child);
    }
    return children;
}

namespace {

std::wstring GuidText(const GUID& guid) {
    wchar_t text[40];
    std::swprintf(text, sizeof(text) / sizeof(text[0]),
                  L"{%08lx-%04hx-%04hx-%02hhx%02hhx-%02hhx%02hhx%02hhx%02hhx%02hhx%02hhx}",
                  guid.Data1, guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2],
                  guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return text;
}

// Root-enumerated bus nodes, numbered in the order Plug and Play added them.
std::wstring InterfacePath(size_t bus, const GUID& guid) {
    wchar_t instance[16];
    std::swprintf(instance, sizeof(instance) / sizeof(instance[0]), L"%04zu", bus);
    return L"\\\\?\\ROOT#SYSTEM#" + std::wstring(instance) + L"#" + GuidText(guid);
}

} // namespace

std::vector<Interface> Machine::Interfaces(const std::wstring& interfaceClass) const {
    std::vector<Interface> interfaces;
    for (size_t bus = 0; bus < state_->buses.size(); bus++) {
        for (const GUID& guid : state_->buses[bus]->interfaces) {
            if (SameText(GuidText(guid), interfaceClass)) {
                interfaces.push_back({bus, InterfacePath(bus, guid)});
            }
        }
    }
    return interfaces;
}

Status Machine::OpenPath(const std::wstring& path, uint32_t access, HandleId* handle) {
    for (size_t bus = 0; bus < state_->buses.size(); bus++) {
        for (const GUID& guid : state_->buses[bus]->interfaces) {
            if (SameText(InterfacePath(bus, guid), path)) {
                return Open(bus, access, handle);
            }
        }
    }
    return static_cast<Status>(0xC0000034L); // STATUS_OBJECT_NAME_NOT_FOUND
}

void Machine::FailNext(const std::string& routine, Status status, unsigned skip) {
    std::lock_guard<std::mutex> held(state_->lock);
    state_->faults[routine].push_back({skip, status});
}

void Machine::BeforeNext(const std::string& routine, std::function<void()> action) {
    std::lock_guard<std::mutex> held(state_->lock);
    state_->hooks[routine].push_back(std::move(action));
}

size_t Machine::OutstandingPoolBlocks() const {
    std::lock_guard<std::mutex> held(state_->lock);
    return state_->pool.size();
}

const std::vector<std::string>& Machine::Calls() const {
    return state_->calls;
}

void Machine::ClearCalls() {
    std::lock_guard<std::mutex> held(state_->lock);
    state_->calls.clear();
}

size_t Machine::Violations() const {
    return state_->violations;
}

size_t Machine::FatalErrors() const {
    return state_->fatalErrors;
}

} // namespace wdfsim
