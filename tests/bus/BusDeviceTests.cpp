// Driver entry, the bus device's configuration and the lifetime of the control handle.

#include "BusTest.h"
#include "KitFacts.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

using wdfsim::Machine;

namespace {

const std::vector<std::string> DeviceAddCalls = {"WdfDeviceInitSetDeviceType",
                                                 "WdfDeviceInitSetExclusive",
                                                 "WdfFdoInitSetDefaultChildListConfig",
                                                 "WdfDeviceInitSetFileObjectConfig",
                                                 "WdfDeviceCreate",
                                                 "WdfWaitLockCreate",
                                                 "WdfIoQueueCreate",
                                                 "WdfDeviceCreateDeviceInterface",
                                                 "WdfDeviceSetBusInformationForChildren"};

} // namespace

class DriverEntryStatus : public ::testing::TestWithParam<NTSTATUS> {};

TEST_P(DriverEntryStatus, IsTheStatusOfWdfDriverCreate) {
    Machine machine;
    if (GetParam() != STATUS_SUCCESS) {
        machine.FailNext("WdfDriverCreate", GetParam());
    }
    EXPECT_EQ(GetParam(), machine.LoadDriver());
    EXPECT_EQ(std::vector<std::string>{"WdfDriverCreate"}, machine.Calls());
}

INSTANTIATE_TEST_SUITE_P(Bus, DriverEntryStatus,
                         ::testing::Values(STATUS_SUCCESS, STATUS_INSUFFICIENT_RESOURCES,
                                           STATUS_UNSUCCESSFUL, STATUS_INVALID_PARAMETER));

TEST(BusDriver, RegistersDeviceAddWhichConfiguresTheBusInOrder) {
    Machine machine;
    ASSERT_EQ(STATUS_SUCCESS, machine.LoadDriver());
    const auto& driver = *wdfsim::Current().driver;
    EXPECT_FALSE(driver.hasAttributes);
    EXPECT_EQ(sizeof(WDF_DRIVER_CONFIG), driver.config.Size);
    EXPECT_EQ(&BusDeviceAdd, driver.config.EvtDriverDeviceAdd);
    EXPECT_EQ(0u, driver.config.DriverInitFlags);
    EXPECT_EQ(0u, driver.config.DriverPoolTag);

    machine.ClearCalls();
    ASSERT_EQ(STATUS_SUCCESS, machine.AddBus());
    EXPECT_EQ(DeviceAddCalls, machine.Calls());

    const wdfsim::Device& device = BusDevice(0);
    EXPECT_FALSE(device.pdo);
    EXPECT_EQ(0x2Au, device.deviceType);
    EXPECT_TRUE(device.exclusive);

    ExpectInheritingAttributes(device, WDF_GET_CONTEXT_TYPE_INFO(FDO_DEVICE_DATA));
    // The bus's lock belongs to the bus device: it is deleted with it.
    ASSERT_EQ(1u, device.children.size());
    EXPECT_EQ(FdoGetData(wdfsim::HandleOf<WDFDEVICE>(&BusDevice(0)))->ChildListLock,
              wdfsim::HandleOf<WDFWAITLOCK>(device.children[0].get()));

    const WDF_CHILD_LIST_CONFIG& list = device.childList->config;
    EXPECT_EQ(sizeof(WDF_CHILD_LIST_CONFIG), list.Size);
    EXPECT_EQ(sizeof(CHILD_ID_DESCRIPTION), list.IdentificationDescriptionSize);
    EXPECT_EQ(0u, list.AddressDescriptionSize);
    // The callbacks the simulation never calls cannot be registered: they do not build.
    EXPECT_EQ(&ChildListCreateDevice, list.EvtChildListCreateDevice);
    EXPECT_EQ(nullptr, list.EvtChildListIdentificationDescriptionCopy);
    EXPECT_EQ(&ChildDescriptionDuplicate, list.EvtChildListIdentificationDescriptionDuplicate);
    EXPECT_EQ(&ChildDescriptionCleanup, list.EvtChildListIdentificationDescriptionCleanup);
    EXPECT_EQ(&ChildDescriptionCompare, list.EvtChildListIdentificationDescriptionCompare);

    const WDF_FILEOBJECT_CONFIG& file = device.fileObjectConfig;
    EXPECT_EQ(sizeof(WDF_FILEOBJECT_CONFIG), file.Size);
    EXPECT_EQ(&BusFileCreate, file.EvtDeviceFileCreate);
    EXPECT_EQ(nullptr, file.EvtFileClose);
    EXPECT_EQ(&BusFileCleanup, file.EvtFileCleanup);
    EXPECT_EQ(WdfUseDefault, file.AutoForwardCleanupClose);
    EXPECT_EQ(WdfFileObjectWdfCannotUseFsContexts, file.FileObjectClass);
    ASSERT_TRUE(device.hasFileObjectAttributes);
    EXPECT_EQ(WDF_GET_CONTEXT_TYPE_INFO(FILE_OBJECT_DATA),
              device.fileObjectAttributes.ContextTypeInfo);

    const WDF_IO_QUEUE_CONFIG& queue = device.defaultQueue->config;
    EXPECT_FALSE(device.defaultQueue->hasAttributes);
    EXPECT_EQ(sizeof(WDF_IO_QUEUE_CONFIG), queue.Size);
    EXPECT_EQ(WdfIoQueueDispatchParallel, queue.DispatchType);
    EXPECT_EQ(WdfUseDefault, queue.PowerManaged);
    EXPECT_FALSE(queue.AllowZeroLengthRequests);
    EXPECT_TRUE(queue.DefaultQueue);
    EXPECT_EQ(&BusDeviceControl, queue.EvtIoDeviceControl);
    EXPECT_EQ(nullptr, queue.Driver);
    EXPECT_EQ(0xFFFFFFFFu, queue.Settings.Parallel.NumberOfPresentedRequests);

    ASSERT_EQ(1u, device.interfaces.size());
    EXPECT_EQ(0, std::memcmp(&kit::BusInterfaceClass, &device.interfaces[0], sizeof(GUID)));
    const auto interfaces = machine.Interfaces(L"{1134D362-3DFB-4BA5-B9AE-14900E448A11}");
    ASSERT_EQ(1u, interfaces.size());
    EXPECT_EQ(0u, interfaces[0].bus);
    EXPECT_EQ(std::wstring(L"\\\\?\\ROOT#SYSTEM#0000#") + kit::BusInterfaceClassText,
              interfaces[0].path);

    const PNP_BUS_INFORMATION zero{};
    ASSERT_TRUE(device.hasBusInformation);
    EXPECT_EQ(0, std::memcmp(&zero, &device.busInformation, sizeof(zero)));
}

struct DeviceAddFailure {
    const char* routine;
    size_t callsMade; // up to and including the failing one
};

class BusDeviceAddFailure : public ::testing::TestWithParam<DeviceAddFailure> {};

TEST_P(BusDeviceAddFailure, ReturnsTheStatusAndStops) {
    Machine machine;
    ASSERT_EQ(STATUS_SUCCESS, machine.LoadDriver());
    machine.ClearCalls();
    machine.FailNext(GetParam().routine, STATUS_INSUFFICIENT_RESOURCES);
    EXPECT_EQ(STATUS_INSUFFICIENT_RESOURCES, machine.AddBus());
    const std::vector<std::string> expected(DeviceAddCalls.begin(),
                                            DeviceAddCalls.begin() + GetParam().callsMade);
    EXPECT_EQ(expected, machine.Calls());
    EXPECT_EQ(0u, machine.BusCount());
}

INSTANTIATE_TEST_SUITE_P(Bus, BusDeviceAddFailure,
                         ::testing::Values(DeviceAddFailure{"WdfDeviceCreate", 5},
                                           DeviceAddFailure{"WdfWaitLockCreate", 6},
                                           DeviceAddFailure{"WdfIoQueueCreate", 7},
                                           DeviceAddFailure{"WdfDeviceCreateDeviceInterface", 8}));

using ControlHandle = BusTest;

// The INF makes the bus exclusive: a second caller is refused while the first holds the bus,
// whatever access it asks for, and the bus is free again once the first handle is closed.
TEST_F(ControlHandle, SecondOpenIsRefusedWhileAHandleIsOpen) {
    ASSERT_TRUE(InstalledBusProperties().exclusive);
    ASSERT_EQ(STATUS_SUCCESS, Plug(1, {u"FENWAREL\\A"}).status);
    wdfsim::HandleId other;
    for (uint32_t access : {0u, wdfsim::FileReadData, wdfsim::FileWriteData}) {
        EXPECT_EQ(STATUS_ACCESS_DENIED, machine.Open(bus, access, &other));
    }
    EXPECT_EQ(std::vector<std::wstring>{L"01"}, ChildInstances());
    machine.Close(handle);
    EXPECT_EQ(STATUS_SUCCESS, machine.Open(bus, wdfsim::FileReadData, &handle));
    EXPECT_EQ(1u, machine.OpenHandles());
}

// Without the INF's Exclusive value, the driver's own WdfDeviceInitSetExclusive stops no open.
TEST(ControlHandleWithoutExclusive, EveryOpenSucceeds) {
    Machine machine;
    ASSERT_EQ(STATUS_SUCCESS, machine.LoadDriver());
    ASSERT_EQ(STATUS_SUCCESS, machine.AddBus());
    wdfsim::HandleId handle;
    for (uint32_t access : {0u, wdfsim::FileReadData, wdfsim::FileWriteData}) {
        EXPECT_EQ(STATUS_SUCCESS, machine.Open(0, access, &handle));
    }
    EXPECT_EQ(3u, machine.OpenHandles());
}

TEST_F(ControlHandle, CloseUnplugsEveryChild) {
    for (uint32_t serial : {0u, 1u, 7u, 4294967295u}) {
        ASSERT_EQ(STATUS_SUCCESS, Plug(serial, {u"FENWAREL\\CONF"}).status);
    }
    EXPECT_EQ(4u, ChildInstances().size());
    machine.Close(handle);
    EXPECT_TRUE(ChildInstances().empty());
    EXPECT_EQ(0u, machine.OutstandingPoolBlocks());
}

TEST_F(ControlHandle, CloseUnplugsTheChildrenOfItsOwnBusOnly) {
    size_t second;
    ASSERT_EQ(STATUS_SUCCESS, machine.AddBus(&second));
    wdfsim::HandleId secondHandle;
    ASSERT_EQ(STATUS_SUCCESS, machine.Open(second, wdfsim::FileReadData, &secondHandle));
    ASSERT_EQ(STATUS_SUCCESS, Plug(1, {u"E\\A"}).status);
    ASSERT_EQ(STATUS_SUCCESS,
              Send(secondHandle, IOCTL_BUS_PLUGIN_CHILD, PluginInput(2, {u"E\\B"})).status);

    // The bus opened last is the second; closing the first handle still unplugs the first.
    machine.Close(handle);
    EXPECT_TRUE(ChildInstances(bus).empty());
    EXPECT_EQ(std::vector<std::wstring>{L"02"}, ChildInstances(second));

    machine.Close(secondHandle);
    EXPECT_TRUE(ChildInstances(second).empty());
}

// The framework runs the cleanup while a plug-in on the handle is still running: here the
// close comes after the plug-in has read its input and before it changes the list. The
// plug-in then adds nothing, and no child outlives the handle.
TEST_F(ControlHandle, CloseRacingAPlugInLeavesNoChild) {
    ASSERT_EQ(STATUS_SUCCESS, Plug(1, {u"FENWAREL\\A"}).status);
    machine.BeforeNext("WdfWaitLockAcquire", [this] { machine.Close(handle); });
    const auto result = Plug(2, {u"FENWAREL\\B"});
    EXPECT_EQ(STATUS_FILE_CLOSED, result.status);
    EXPECT_EQ(12u, result.information);
    EXPECT_TRUE(ChildInstances().empty());
    EXPECT_EQ(0u, machine.OutstandingPoolBlocks());
}

// Here the close comes while the plug-in is changing the list: the cleanup waits for it, then
// unplugs its child with the others.
TEST_F(ControlHandle, CloseDuringAPlugInUnplugsItsChild) {
    std::atomic<bool> cleanupWaits{false};
    std::atomic<bool> closed{false};
    std::thread closer;
    machine.BeforeNext("WdfChildListAddOrUpdateChildDescriptionAsPresent", [&] {
        machine.BeforeNext("WdfWaitLockAcquire", [&] { cleanupWaits = true; });
        closer = std::thread([&] {
            machine.Close(handle);
            closed = true;
        });
        while (!cleanupWaits && !closed) {
            std::this_thread::yield();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    });
    EXPECT_EQ(STATUS_SUCCESS, Plug(2, {u"FENWAREL\\B"}).status);
    closer.join();
    EXPECT_TRUE(ChildInstances().empty());
    EXPECT_EQ(0u, machine.OutstandingPoolBlocks());
}
