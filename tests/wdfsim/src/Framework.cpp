// Framework driver, device initialisation, devices, queues, interfaces and contexts.

#include "wdfsim/Interleaving.h"
#include "wdfsim/State.h"

using namespace wdfsim;

namespace {

// Init-record setters are valid only before WdfDeviceCreate, at PASSIVE_LEVEL.
bool CheckInit(const char* routine, PWDFDEVICE_INIT init) {
    CheckIrql(routine, PASSIVE_LEVEL);
    if (init == nullptr || init->created) {
        Violation(std::string(routine) + " called on a consumed or missing init record");
        return false;
    }
    return true;
}

// A counted string the framework accepts: even lengths, Length within MaximumLength, and a
// buffer wherever there is room.
bool ValidString(PCUNICODE_STRING string) {
    return string != nullptr && string->Length % 2 == 0 && string->MaximumLength % 2 == 0 &&
           string->Length <= string->MaximumLength &&
           (string->Buffer != nullptr || string->MaximumLength == 0);
}

std::wstring Text(PCUNICODE_STRING string) {
    return std::wstring(string->Buffer, string->Length / sizeof(WCHAR));
}

// The common checks of the WdfPdoInit routines that take strings; the first failing check
// gives the status.
NTSTATUS CheckPdoInit(const char* routine, PWDFDEVICE_INIT init,
                      std::initializer_list<PCUNICODE_STRING> strings) {
    NTSTATUS injected;
    const bool fail = Called(routine, &injected);
    if (!CheckInit(routine, init)) {
        return STATUS_INVALID_PARAMETER;
    }
    if (!init->pdo) {
        return STATUS_INVALID_DEVICE_REQUEST;
    }
    for (PCUNICODE_STRING string : strings) {
        if (!ValidString(string)) {
            return STATUS_INVALID_PARAMETER;
        }
    }
    return fail ? injected : STATUS_SUCCESS;
}

// The device setters that keep a record as given; they report nothing and may be called at
// up to DISPATCH_LEVEL.
template <class Record>
void Store(const char* routine, WDFDEVICE handle, const Record* given,
           Record wdfsim::Device::*record, bool wdfsim::Device::*stored) {
    Called(routine);
    CheckIrql(routine, DISPATCH_LEVEL);
    if (auto* device = Resolve<wdfsim::Device>(handle, routine)) {
        device->*record = *given;
        device->*stored = true;
    }
}

} // namespace

NTSTATUS WdfDriverCreate(PDRIVER_OBJECT DriverObject, PCUNICODE_STRING RegistryPath,
                         PWDF_OBJECT_ATTRIBUTES DriverAttributes, PWDF_DRIVER_CONFIG DriverConfig,
                         WDFDRIVER* Driver) {
    NTSTATUS injected;
    if (Called("WdfDriverCreate", &injected)) {
        return injected;
    }
    CheckIrql("WdfDriverCreate", PASSIVE_LEVEL);
    if (DriverObject == nullptr || RegistryPath == nullptr || DriverConfig == nullptr ||
        DriverConfig->Size != sizeof(WDF_DRIVER_CONFIG)) {
        return STATUS_INVALID_PARAMETER;
    }
    auto driver = std::make_unique<wdfsim::Driver>();
    driver->SetAttributes(DriverAttributes);
    driver->config = *DriverConfig;
    if (Driver != nullptr) {
        *Driver = HandleOf<WDFDRIVER>(driver.get());
    }
    Current().driver = std::move(driver);
    return STATUS_SUCCESS;
}

VOID WdfDeviceInitSetDeviceType(PWDFDEVICE_INIT DeviceInit, DEVICE_TYPE DeviceType) {
    Called("WdfDeviceInitSetDeviceType");
    if (CheckInit("WdfDeviceInitSetDeviceType", DeviceInit)) {
        DeviceInit->deviceType = DeviceType;
    }
}

VOID WdfDeviceInitSetExclusive(PWDFDEVICE_INIT DeviceInit, BOOLEAN IsExclusive) {
    Called("WdfDeviceInitSetExclusive");
    if (CheckInit("WdfDeviceInitSetExclusive", DeviceInit)) {
        DeviceInit->exclusive = IsExclusive != FALSE;
    }
}

VOID WdfFdoInitSetDefaultChildListConfig(PWDFDEVICE_INIT DeviceInit, PWDF_CHILD_LIST_CONFIG Config,
                                         PWDF_OBJECT_ATTRIBUTES DefaultChildListAttributes) {
    Called("WdfFdoInitSetDefaultChildListConfig");
    if (!CheckInit("WdfFdoInitSetDefaultChildListConfig", DeviceInit)) {
        return;
    }
    // The list's own attributes give it no behaviour that the simulation models.
    UNREFERENCED_PARAMETER(DefaultChildListAttributes);
    if (DeviceInit->pdo || Config->Size != sizeof(WDF_CHILD_LIST_CONFIG)) {
        Violation("WdfFdoInitSetDefaultChildListConfig on a child or with a wrong Size");
        return;
    }
    // The framework would compare descriptions byte for byte: not simulated.
    if (Config->EvtChildListIdentificationDescriptionCompare == nullptr) {
        Violation("a child list without a Compare callback: not simulated");
        return;
    }
    DeviceInit->childListConfig = *Config;
    DeviceInit->hasChildListConfig = true;
}

VOID WdfDeviceInitSetFileObjectConfig(PWDFDEVICE_INIT DeviceInit,
                                      PWDF_FILEOBJECT_CONFIG FileObjectConfig,
                                      PWDF_OBJECT_ATTRIBUTES FileObjectAttributes) {
    Called("WdfDeviceInitSetFileObjectConfig");
    if (!CheckInit("WdfDeviceInitSetFileObjectConfig", DeviceInit)) {
        return;
    }
    if (FileObjectConfig->Size != sizeof(WDF_FILEOBJECT_CONFIG)) {
        Violation("WdfDeviceInitSetFileObjectConfig with a wrong Size");
        return;
    }
    DeviceInit->fileObjectConfig = *FileObjectConfig;
    DeviceInit->hasFileObjectConfig = true;
    // Each file object is created with these attributes, its context among them.
    if (FileObjectAttributes != WDF_NO_OBJECT_ATTRIBUTES) {
        DeviceInit->fileObjectAttributes = *FileObjectAttributes;
        DeviceInit->hasFileObjectAttributes = true;
    }
}

NTSTATUS WdfPdoInitAssignDeviceID(PWDFDEVICE_INIT DeviceInit, PCUNICODE_STRING DeviceID) {
    const NTSTATUS status = CheckPdoInit("WdfPdoInitAssignDeviceID", DeviceInit, {DeviceID});
    if (NT_SUCCESS(status)) {
        DeviceInit->identity.deviceId = Text(DeviceID);
    }
    return status;
}

NTSTATUS WdfPdoInitAddHardwareID(PWDFDEVICE_INIT DeviceInit, PCUNICODE_STRING HardwareID) {
    const NTSTATUS status = CheckPdoInit("WdfPdoInitAddHardwareID", DeviceInit, {HardwareID});
    if (NT_SUCCESS(status)) {
        DeviceInit->identity.hardwareIds.push_back(Text(HardwareID));
    }
    return status;
}

NTSTATUS WdfPdoInitAssignInstanceID(PWDFDEVICE_INIT DeviceInit, PCUNICODE_STRING InstanceID) {
    const NTSTATUS status = CheckPdoInit("WdfPdoInitAssignInstanceID", DeviceInit, {InstanceID});
    if (NT_SUCCESS(status)) {
        DeviceInit->identity.instanceId = Text(InstanceID);
    }
    return status;
}

NTSTATUS WdfPdoInitAddDeviceText(PWDFDEVICE_INIT DeviceInit, PCUNICODE_STRING DeviceDescription,
                                 PCUNICODE_STRING DeviceLocation, LCID LocaleId) {
    const NTSTATUS status =
        CheckPdoInit("WdfPdoInitAddDeviceText", DeviceInit, {DeviceDescription, DeviceLocation});
    if (NT_SUCCESS(status)) {
        DeviceInit->identity.texts[LocaleId] = {Text(DeviceDescription), Text(DeviceLocation)};
    }
    return status;
}

VOID WdfPdoInitSetDefaultLocale(PWDFDEVICE_INIT DeviceInit, LCID LocaleId) {
    Called("WdfPdoInitSetDefaultLocale");
    if (CheckInit("WdfPdoInitSetDefaultLocale", DeviceInit) && DeviceInit->pdo) {
        DeviceInit->identity.defaultLocale = LocaleId;
    }
}

NTSTATUS WdfDeviceCreate(PWDFDEVICE_INIT* DeviceInit, PWDF_OBJECT_ATTRIBUTES DeviceAttributes,
                         WDFDEVICE* Device) {
    NTSTATUS injected;
    if (Called("WdfDeviceCreate", &injected)) {
        return injected;
    }
    if (DeviceInit == nullptr || !CheckInit("WdfDeviceCreate", *DeviceInit)) {
        return STATUS_INVALID_PARAMETER;
    }
    PWDFDEVICE_INIT init = *DeviceInit;
    auto device = std::make_unique<wdfsim::Device>();
    device->SetAttributes(DeviceAttributes);
    static_cast<DeviceSetup&>(*device) = *init;
    if (init->hasChildListConfig) {
        device->childList = std::make_unique<ChildList>();
        device->childList->device = device.get();
        device->childList->config = init->childListConfig;
    }
    *Device = HandleOf<WDFDEVICE>(device.get());
    init->created = std::move(device);
    // The record belongs to the framework from now on; the driver's pointer to it is cleared.
    *DeviceInit = nullptr;
    return STATUS_SUCCESS;
}

NTSTATUS WdfIoQueueCreate(WDFDEVICE Device, PWDF_IO_QUEUE_CONFIG Config,
                          PWDF_OBJECT_ATTRIBUTES QueueAttributes, WDFQUEUE* Queue) {
    NTSTATUS injected;
    if (Called("WdfIoQueueCreate", &injected)) {
        return injected;
    }
    CheckIrql("WdfIoQueueCreate", DISPATCH_LEVEL);
    auto* device = Resolve<wdfsim::Device>(Device, "WdfIoQueueCreate");
    if (device == nullptr || Config->Size != sizeof(WDF_IO_QUEUE_CONFIG)) {
        return STATUS_INVALID_PARAMETER;
    }
    if (Config->DefaultQueue && device->defaultQueue) {
        Violation("a second default queue");
        return STATUS_INVALID_DEVICE_REQUEST;
    }
    // Only the default queue matters here: requests reach a device through it alone.
    auto queue = std::make_unique<wdfsim::Queue>();
    queue->SetAttributes(QueueAttributes);
    queue->device = device;
    queue->config = *Config;
    *Queue = HandleOf<WDFQUEUE>(queue.get());
    device->defaultQueue = std::move(queue);
    return STATUS_SUCCESS;
}

WDFDEVICE WdfIoQueueGetDevice(WDFQUEUE Queue) {
    Called("WdfIoQueueGetDevice");
    auto* queue = Resolve<wdfsim::Queue>(Queue, "WdfIoQueueGetDevice");
    return queue == nullptr ? nullptr : HandleOf<WDFDEVICE>(queue->device);
}

NTSTATUS WdfDeviceCreateDeviceInterface(WDFDEVICE Device, const GUID* InterfaceClassGUID,
                                        PCUNICODE_STRING ReferenceString) {
    NTSTATUS injected;
    if (Called("WdfDeviceCreateDeviceInterface", &injected)) {
        return injected;
    }
    CheckIrql("WdfDeviceCreateDeviceInterface", PASSIVE_LEVEL);
    auto* device = Resolve<wdfsim::Device>(Device, "WdfDeviceCreateDeviceInterface");
    if (device == nullptr || InterfaceClassGUID == nullptr) {
        return STATUS_INVALID_PARAMETER;
    }
    // Reference strings would give a path suffix; the simulation lists interfaces without one.
    if (ReferenceString != nullptr) {
        Violation("interface with a reference string: not simulated");
    }
    device->interfaces.push_back(*InterfaceClassGUID);
    return STATUS_SUCCESS;
}

VOID WdfDeviceSetBusInformationForChildren(WDFDEVICE Device, PPNP_BUS_INFORMATION BusInformation) {
    Store("WdfDeviceSetBusInformationForChildren", Device, BusInformation,
          &wdfsim::Device::busInformation, &wdfsim::Device::hasBusInformation);
}

VOID WdfDeviceSetPnpCapabilities(WDFDEVICE Device, PWDF_DEVICE_PNP_CAPABILITIES PnpCapabilities) {
    Store("WdfDeviceSetPnpCapabilities", Device, PnpCapabilities, &wdfsim::Device::pnpCapabilities,
          &wdfsim::Device::hasPnpCapabilities);
}

VOID WdfDeviceSetPowerCapabilities(WDFDEVICE Device,
                                   PWDF_DEVICE_POWER_CAPABILITIES PowerCapabilities) {
    Store("WdfDeviceSetPowerCapabilities", Device, PowerCapabilities,
          &wdfsim::Device::powerCapabilities, &wdfsim::Device::hasPowerCapabilities);
}

PVOID WdfObjectGetTypedContextWorker(WDFOBJECT Handle, PCWDF_OBJECT_CONTEXT_TYPE_INFO TypeInfo) {
    auto* object = Resolve<Object>(Handle, "WdfObjectGetTypedContextWorker");
    if (object == nullptr || !object->context ||
        object->attributes.ContextTypeInfo != TypeInfo->UniqueType) {
        Violation(std::string("context ") + TypeInfo->ContextName +
                  " requested of an object "
                  "without it");
        return nullptr;
    }
    return object->context->get();
}

NTSTATUS WdfWaitLockCreate(PWDF_OBJECT_ATTRIBUTES LockAttributes, WDFWAITLOCK* Lock) {
    NTSTATUS injected;
    if (Called("WdfWaitLockCreate", &injected)) {
        return injected;
    }
    CheckIrql("WdfWaitLockCreate", DISPATCH_LEVEL);
    // The lock is deleted with its parent, the driver when none is given.
    Object* parent = Current().driver.get();
    if (LockAttributes != WDF_NO_OBJECT_ATTRIBUTES && LockAttributes->ParentObject != nullptr) {
        parent = Resolve<Object>(LockAttributes->ParentObject, "WdfWaitLockCreate");
    }
    if (parent == nullptr) {
        return STATUS_INVALID_PARAMETER;
    }
    auto lock = std::make_unique<WaitLock>();
    lock->SetAttributes(LockAttributes);
    *Lock = HandleOf<WDFWAITLOCK>(lock.get());
    parent->children.push_back(std::move(lock));
    return STATUS_SUCCESS;
}

NTSTATUS WdfWaitLockAcquire(WDFWAITLOCK Lock, PLONGLONG Timeout) {
    Called("WdfWaitLockAcquire");
    if (Timeout != nullptr) {
        Violation("WdfWaitLockAcquire with a timeout: not simulated");
    }
    // Without a timeout the caller may wait, which only PASSIVE_LEVEL allows.
    CheckIrql("WdfWaitLockAcquire", PASSIVE_LEVEL);
    auto* lock = Resolve<WaitLock>(Lock, "WdfWaitLockAcquire");
    if (lock == nullptr) {
        return STATUS_INVALID_PARAMETER;
    }
    // A wait lock is not recursive: on Windows the thread would wait for itself forever.
    if (lock->owner == std::this_thread::get_id()) {
        Violation("WdfWaitLockAcquire of a wait lock the thread holds already: deadlock");
        return STATUS_INVALID_PARAMETER;
    }
    // Among actors taking turns, the one that finds the lock held waits for its turn after the
    // release; the lock's mutex is not used, as only one actor runs at a time.
    if (Interleaving* interleaving = Current().interleaving) {
        if (!Interleaving::InActor() && lock->owner != std::thread::id()) {
            Violation("a Plug and Play step waits for a wait lock that a request holds");
        }
        while (lock->owner != std::thread::id() && interleaving->WaitForLock(lock)) {
        }
    } else {
        lock->mutex.lock();
    }
    lock->owner = std::this_thread::get_id();
    return STATUS_SUCCESS;
}

VOID WdfWaitLockRelease(WDFWAITLOCK Lock) {
    Called("WdfWaitLockRelease");
    CheckIrql("WdfWaitLockRelease", DISPATCH_LEVEL);
    auto* lock = Resolve<WaitLock>(Lock, "WdfWaitLockRelease");
    if (lock == nullptr) {
        return;
    }
    if (lock->owner != std::this_thread::get_id()) {
        Violation("WdfWaitLockRelease of a wait lock the thread does not hold");
        return;
    }
    lock->owner = std::thread::id();
    if (Interleaving* interleaving = Current().interleaving) {
        interleaving->LockReleased(lock);
    } else {
        lock->mutex.unlock();
    }
}
