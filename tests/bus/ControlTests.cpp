// The control requests, row by row of their outcome table, and the I/O manager's rules
// around them.

#include "BusTest.h"

namespace {

struct Outcome {
    const char* name;
    ULONG code;
    Bytes input;
    size_t outputLength;
    NTSTATUS status;
    uint64_t information;
    std::vector<std::wstring> childrenAfter; // instance ids; serial 3 is plugged in first
    bool outputPointer = false;              // an output pointer even for a length of 0
};

std::ostream& operator<<(std::ostream& out, const Outcome& outcome) {
    return out << outcome.name;
}

using namespace std::string_literals;

const std::u16string Ids = u"E\\ID\0\0"s;

Bytes Truncated(Bytes bytes, size_t length) {
    bytes.resize(length);
    return bytes;
}

// One byte more, which belongs to no code unit.
Bytes Padded(Bytes bytes) {
    bytes.push_back(0x41);
    return bytes;
}

const ULONG OtherFunction =
    CTL_CODE(FILE_DEVICE_BUS_EXTENDER, 2, METHOD_BUFFERED, FILE_READ_ACCESS);

} // namespace

class ControlOutcome : public BusTest, public ::testing::WithParamInterface<Outcome> {};

TEST_P(ControlOutcome, StatusInformationAndEffect) {
    ASSERT_EQ(STATUS_SUCCESS, Plug(3, {u"E\\EXISTING"}).status);
    const Outcome& row = GetParam();
    const wdfsim::IoStatus result = Send(row.code, row.input, row.outputLength, row.outputPointer);
    EXPECT_EQ(row.status, result.status);
    EXPECT_EQ(row.information, result.information);
    EXPECT_EQ(row.childrenAfter, ChildInstances());
}

// Rows of the outcome table; serial 3 is present before each request. The information
// value of a plug-in counts code units: "E\ID\0\0" is 6.
// clang-format off
INSTANTIATE_TEST_SUITE_P(PlugIn, ControlOutcome, ::testing::Values(
    Outcome{"NoInput", IOCTL_BUS_PLUGIN_CHILD, {}, 0, STATUS_BUFFER_TOO_SMALL, 0, {L"03"}},
    Outcome{"ElevenBytes", IOCTL_BUS_PLUGIN_CHILD, Truncated(PluginInput(8, 5, Ids), 11), 0,
            STATUS_BUFFER_TOO_SMALL, 0, {L"03"}},
    Outcome{"SizeTwelve", IOCTL_BUS_PLUGIN_CHILD, PluginInput(12, 5, Ids), 0,
            STATUS_INVALID_PARAMETER, 0, {L"03"}},
    Outcome{"SizeSixteen", IOCTL_BUS_PLUGIN_CHILD, PluginInput(16, 5, Ids), 0,
            STATUS_INVALID_PARAMETER, 0, {L"03"}},
    Outcome{"SizeIsBufferLength", IOCTL_BUS_PLUGIN_CHILD, PluginInput(22, 5, u"IDENT\0\0"s), 0,
            STATUS_INVALID_PARAMETER, 0, {L"03"}},
    Outcome{"SingleFinalNul", IOCTL_BUS_PLUGIN_CHILD, PluginInput(8, 5, u"E\\IDENT\0"s), 0,
            STATUS_INVALID_PARAMETER, 8, {L"03"}},
    Outcome{"NoFinalNul", IOCTL_BUS_PLUGIN_CHILD, PluginInput(8, 5, u"E\\ID\0\0X"s), 0,
            STATUS_INVALID_PARAMETER, 7, {L"03"}},
    Outcome{"SerialPresent", IOCTL_BUS_PLUGIN_CHILD, PluginInput(8, 3, Ids), 0,
            STATUS_INVALID_PARAMETER, 6, {L"03"}},
    Outcome{"Accepted", IOCTL_BUS_PLUGIN_CHILD, PluginInput(8, 5, Ids), 0,
            STATUS_SUCCESS, 6, {L"03", L"05"}},
    Outcome{"TwelveBytesEmptyId", IOCTL_BUS_PLUGIN_CHILD, PluginInput(8, 5, u"\0\0"s), 0,
            STATUS_INVALID_PARAMETER, 2, {L"03"}},
    Outcome{"OddByteIgnored", IOCTL_BUS_PLUGIN_CHILD, Padded(PluginInput(8, 5, Ids)), 0,
            STATUS_SUCCESS, 6, {L"03", L"05"}},
    Outcome{"SerialZero", IOCTL_BUS_PLUGIN_CHILD, PluginInput(8, 0, Ids), 0,
            STATUS_SUCCESS, 6, {L"03", L"00"}}),
    CaseName<Outcome>);

INSTANTIATE_TEST_SUITE_P(Unplug, ControlOutcome, ::testing::Values(
    Outcome{"NoInput", IOCTL_BUS_UNPLUG_CHILD, {}, 0, STATUS_BUFFER_TOO_SMALL, 0, {L"03"}},
    Outcome{"FifteenBytes", IOCTL_BUS_UNPLUG_CHILD, UnplugInput(15, 3, 15), 0,
            STATUS_BUFFER_TOO_SMALL, 0, {L"03"}},
    Outcome{"SizeShorterThanBuffer", IOCTL_BUS_UNPLUG_CHILD, UnplugInput(16, 3, 20), 0,
            STATUS_INVALID_PARAMETER, 0, {L"03"}},
    Outcome{"SizeLongerThanBuffer", IOCTL_BUS_UNPLUG_CHILD, UnplugInput(20, 3, 16), 0,
            STATUS_INVALID_PARAMETER, 0, {L"03"}},
    Outcome{"All", IOCTL_BUS_UNPLUG_CHILD, UnplugInput(16, 0), 0, STATUS_SUCCESS, 16, {}},
    Outcome{"NotPresent", IOCTL_BUS_UNPLUG_CHILD, UnplugInput(16, 9), 0,
            STATUS_INVALID_PARAMETER, 16, {L"03"}},
    Outcome{"Present", IOCTL_BUS_UNPLUG_CHILD, UnplugInput(16, 3), 0, STATUS_SUCCESS, 16, {}},
    Outcome{"LongerRecord", IOCTL_BUS_UNPLUG_CHILD, UnplugInput(24, 3, 24), 0,
            STATUS_SUCCESS, 24, {}}),
    CaseName<Outcome>);

INSTANTIATE_TEST_SUITE_P(OtherCode, ControlOutcome, ::testing::Values(
    Outcome{"FunctionTwo", OtherFunction, PluginInput(8, 5, Ids), 0,
            STATUS_INVALID_PARAMETER, 0, {L"03"}},
    Outcome{"AnotherDeviceType", CTL_CODE(0x22, 0x800, METHOD_BUFFERED, FILE_ANY_ACCESS),
            UnplugInput(16, 3), 0, STATUS_INVALID_PARAMETER, 0, {L"03"}}),
    CaseName<Outcome>);

// With a non-empty output buffer shorter than the information value, the value is 0: the
// system would otherwise copy that many bytes into the caller's buffer. So it is for an output
// buffer of length 0 passed with a pointer, which the framework's verifier would stop.
INSTANTIATE_TEST_SUITE_P(OutputBuffer, ControlOutcome, ::testing::Values(
    Outcome{"PlugShortBuffer", IOCTL_BUS_PLUGIN_CHILD, PluginInput(8, 5, Ids), 3,
            STATUS_SUCCESS, 0, {L"03", L"05"}},
    Outcome{"PlugExactBuffer", IOCTL_BUS_PLUGIN_CHILD, PluginInput(8, 5, Ids), 6,
            STATUS_SUCCESS, 6, {L"03", L"05"}},
    Outcome{"RefusedPlugShortBuffer", IOCTL_BUS_PLUGIN_CHILD, PluginInput(8, 3, Ids), 1,
            STATUS_INVALID_PARAMETER, 0, {L"03"}},
    Outcome{"UnplugShortBuffer", IOCTL_BUS_UNPLUG_CHILD, UnplugInput(16, 3), 15,
            STATUS_SUCCESS, 0, {}},
    Outcome{"UnplugLargeBuffer", IOCTL_BUS_UNPLUG_CHILD, UnplugInput(16, 3), 64,
            STATUS_SUCCESS, 16, {}},
    Outcome{"PlugZeroLengthWithPointer", IOCTL_BUS_PLUGIN_CHILD, PluginInput(8, 5, Ids), 0,
            STATUS_SUCCESS, 0, {L"03", L"05"}, true},
    Outcome{"RefusedPlugZeroLengthWithPointer", IOCTL_BUS_PLUGIN_CHILD, PluginInput(8, 3, Ids), 0,
            STATUS_INVALID_PARAMETER, 0, {L"03"}, true},
    Outcome{"UnplugZeroLengthWithPointer", IOCTL_BUS_UNPLUG_CHILD, UnplugInput(16, 3), 0,
            STATUS_SUCCESS, 0, {}, true}),
    CaseName<Outcome>);
// clang-format on

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
