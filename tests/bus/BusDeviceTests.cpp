// Driver entry, the bus device's configuration and the lifetime of the control handle.

#include "BusTest.h"
#include "KitFacts.h"

#include <cstring>

using wdfsim::Machine;

class DriverEntryStatus : public ::testing::TestWithParam<NTSTATUS> {};

TEST_P(DriverEntryStatus, IsTheStatusOfWdfDriverCreate) {
    Machine machine;
    if (GetParam() != STATUS_SUCCESS) {
        machine.FailNext("WdfDriverCreate", GetParam());
    }
    EXPECT_EQ(GetParam(), machine.LoadDriver());
}

INSTANTIATE_TEST_SUITE_P(Bus, DriverEntryStatus,
                         ::testing::Values(STATUS_SUCCESS, STATUS_INSUFFICIENT_RESOURCES,
                                           STATUS_UNSUCCESSFUL, STATUS_INVALID_PARAMETER));

// What Windows sees of a started bus: a bus extender with the control interface, and the
// bus information its children report.
TEST(BusDriver, PublishesTheControlInterface) {
    Machine machine;
    ASSERT_EQ(STATUS_SUCCESS, machine.LoadDriver());
    ASSERT_EQ(STATUS_SUCCESS, machine.AddBus());
    const wdfsim::Device& device = BusDevice(0);
    EXPECT_EQ(0x2Au, device.deviceType);
    const auto interfaces = machine.Interfaces(L"{1134D362-3DFB-4BA5-B9AE-14900E448A11}");
    ASSERT_EQ(1u, interfaces.size());
    EXPECT_EQ(std::wstring(L"\\\\?\\ROOT#SYSTEM#0000#") + kit::BusInterfaceClassText,
              interfaces[0].path);
    const PNP_BUS_INFORMATION zero{};
    ASSERT_TRUE(device.hasBusInformation);
    EXPECT_EQ(0, std::memcmp(&zero, &device.busInformation, sizeof(zero)));
}

class BusDeviceAddFailure : public ::testing::TestWithParam<const char*> {};

// The framework deletes what device add created; the machine's end finds no pool left.
TEST_P(BusDeviceAddFailure, ReturnsTheStatusAndAddsNoBus) {
    Machine machine;
    ASSERT_EQ(STATUS_SUCCESS, machine.LoadDriver());
    machine.FailNext(GetParam(), STATUS_INSUFFICIENT_RESOURCES);
    EXPECT_EQ(STATUS_INSUFFICIENT_RESOURCES, machine.AddBus());
    EXPECT_EQ(0u, machine.BusCount());
}

INSTANTIATE_TEST_SUITE_P(Bus, BusDeviceAddFailure,
                         ::testing::Values("WdfDeviceCreate", "WdfWaitLockCreate",
                                           "WdfIoQueueCreate", "WdfDeviceCreateDeviceInterface"));

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

// Exclusivity does not stop an open relative to the open handle: the bus refuses it itself,
// as a second file object's close would unplug the first one's children.
TEST_F(ControlHandle, OpenRelativeToTheHandleIsRefused) {
    ASSERT_EQ(STATUS_SUCCESS, Plug(1, {u"FENWAREL\\A"}).status);
    wdfsim::HandleId relative;
    EXPECT_EQ(STATUS_ACCESS_DENIED, machine.OpenRelative(handle, wdfsim::FileReadData, &relative));
    EXPECT_EQ(1u, machine.OpenHandles());
    EXPECT_EQ(std::vector<std::wstring>{L"01"}, ChildInstances());
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
}
