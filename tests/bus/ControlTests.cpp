// The control requests beyond their outcome table, and the I/O manager's rules around them.
// The table itself has one home, the outcome rules (OutcomeRules.h), which the runs of random
// requests hold the driver to, every row of it reached.

#include "BusTest.h"

using Control = BusTest;

TEST_F(Control, SystemCopiesInformationBytesBackOnSuccess) {
    ASSERT_EQ(STATUS_SUCCESS, Plug(3, {u"E\\A"}).status);
    const Bytes input = UnplugInput(16, 3);
    Bytes output(32, 0xEE);
    const auto result = machine.DeviceControl(handle, IOCTL_BUS_UNPLUG_CHILD, input.data(),
                                              input.size(), output.data(), output.size());
    ASSERT_EQ(STATUS_SUCCESS, result.status);
    // The driver writes nothing: the caller gets its own input back, and nothing past it.
    EXPECT_EQ(Bytes(input.begin(), input.end()), Bytes(output.begin(), output.begin() + 16));
    EXPECT_EQ(Bytes(16, 0xEE), Bytes(output.begin() + 16, output.end()));
}

TEST_F(Control, HandleWithoutReadAccessIsDeniedBeforeTheDriver) {
    machine.Close(handle);
    wdfsim::HandleId writeOnly;
    ASSERT_EQ(STATUS_SUCCESS, machine.Open(bus, wdfsim::FileWriteData, &writeOnly));
    machine.ClearCalls();
    for (ULONG code : {(ULONG)IOCTL_BUS_PLUGIN_CHILD, (ULONG)IOCTL_BUS_UNPLUG_CHILD}) {
        const auto result = Send(writeOnly, code, PluginInput(4, {u"A"}));
        EXPECT_EQ(STATUS_ACCESS_DENIED, result.status);
        EXPECT_EQ(0u, result.information);
    }
    EXPECT_TRUE(machine.Calls().empty());
    EXPECT_TRUE(ChildInstances().empty());
}

// Until Plug and Play has removed the old device, through the bus-relations answer that leaves
// it out and the removal that follows, a re-plug of its serial number is refused: its new
// device would have the old one's ids.
TEST_F(Control, ReplugBeforeRemovalIsRefusedUntilTheOldDeviceIsGone) {
    ASSERT_EQ(STATUS_SUCCESS, Plug(5, {u"E\\OLD"}).status);
    ChildInstances();
    EXPECT_EQ(STATUS_SUCCESS, Unplug(5).status);
    const auto refused = Plug(5, {u"E\\NEW"});
    EXPECT_EQ(BUS_STATUS_CHILD_BEING_REMOVED, refused.status);
    EXPECT_EQ(7u, refused.information);
    // Unplugging again before Plug and Play removes the child is no error.
    EXPECT_EQ(STATUS_SUCCESS, Unplug(5).status);
    machine.AnswerBusRelations();
    EXPECT_EQ(BUS_STATUS_CHILD_BEING_REMOVED, Plug(5, {u"E\\NEW"}).status);
    EXPECT_EQ(std::vector<std::wstring>{L"E\\OLD"}, machine.Children(bus).at(0).hardwareIds);
    machine.RemoveLeftOutChildren();
    EXPECT_TRUE(machine.Children(bus).empty());
    EXPECT_EQ(STATUS_SUCCESS, Plug(5, {u"E\\NEW"}).status);
    EXPECT_EQ(std::vector<std::wstring>{L"05"}, ChildInstances());
    EXPECT_EQ(L"E\\NEW", machine.Children(bus).at(0).deviceId);
    EXPECT_EQ(0u, machine.FatalErrors());
}

// The framework defers a kernel-mode sender's request at DISPATCH_LEVEL to a worker thread,
// where the pageable code may wait for the bus's lock.
TEST_F(Control, RequestSentAtDispatchLevelIsHandled) {
    const Bytes input = PluginInput(5, {u"E\\A"});
    const auto result = machine.DeviceControl(handle, IOCTL_BUS_PLUGIN_CHILD, input.data(),
                                              input.size(), nullptr, 0, true);
    EXPECT_EQ(STATUS_SUCCESS, result.status);
    EXPECT_EQ(std::vector<std::wstring>{L"05"}, ChildInstances());
}

// The child keeps its first id alone, in a block bounded by the id rules, however long the
// request's other ids are; they are still checked for their terminators.
TEST_F(Control, ChildKeepsTheFirstIdOnly) {
    const std::u16string longId(30000, u'X');
    ASSERT_EQ(STATUS_SUCCESS, Plug(5, {u"E\\A", longId}).status);
    ASSERT_EQ(1u, machine.OutstandingPoolBlocks());
    EXPECT_EQ(sizeof(BUS_CHILD) + 4 * sizeof(WCHAR), wdfsim::Current().pool.begin()->second.size);
    Bytes unterminated = PluginInput(6, {u"E\\A", longId});
    unterminated.resize(unterminated.size() - 2);
    EXPECT_EQ(STATUS_INVALID_PARAMETER, Send(IOCTL_BUS_PLUGIN_CHILD, unterminated).status);
}

TEST_F(Control, PlugInFailsWhenTheHardwareIdsCannotBeCopied) {
    machine.FailNext("ExAllocatePoolWithTag", 0);
    const auto result = Plug(5, {u"E\\A"});
    EXPECT_EQ(STATUS_INSUFFICIENT_RESOURCES, result.status);
    EXPECT_EQ(5u, result.information);
    EXPECT_TRUE(ChildInstances().empty());
    EXPECT_EQ(STATUS_INVALID_PARAMETER, Unplug(5).status);
}
