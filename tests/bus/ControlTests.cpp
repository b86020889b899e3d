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
};

std::ostream& operator<<(std::ostream& out, const Outcome& outcome) {
    return out << outcome.name;
}

using namespace std::string_literals;

const std::u16string Ids = u"ID\0\0"s;

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
    ASSERT_EQ(STATUS_SUCCESS, Plug(3, {u"EXISTING"}).status);
    const Outcome& row = GetParam();
    const wdfsim::IoStatus result = Send(row.code, row.input, row.outputLength);
    EXPECT_EQ(row.status, result.status);
    EXPECT_EQ(row.information, result.information);
    EXPECT_EQ(row.childrenAfter, ChildInstances());
}

// Rows of the outcome table; serial 3 is present before each request. The information
// value of a plug-in counts code units: "ID\0\0" is 4.
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
    Outcome{"SingleFinalNul", IOCTL_BUS_PLUGIN_CHILD, PluginInput(8, 5, u"IDENT\0"s), 0,
            STATUS_INVALID_PARAMETER, 6, {L"03"}},
    Outcome{"NoFinalNul", IOCTL_BUS_PLUGIN_CHILD, PluginInput(8, 5, u"ID\0\0X"s), 0,
            STATUS_INVALID_PARAMETER, 5, {L"03"}},
    Outcome{"SerialPresent", IOCTL_BUS_PLUGIN_CHILD, PluginInput(8, 3, Ids), 0,
            STATUS_INVALID_PARAMETER, 4, {L"03"}},
    Outcome{"Accepted", IOCTL_BUS_PLUGIN_CHILD, PluginInput(8, 5, Ids), 0,
            STATUS_SUCCESS, 4, {L"03", L"05"}},
    Outcome{"TwelveBytesEmptyId", IOCTL_BUS_PLUGIN_CHILD, PluginInput(8, 5, u"\0\0"s), 0,
            STATUS_SUCCESS, 2, {L"03", L"05"}},
    Outcome{"OddByteIgnored", IOCTL_BUS_PLUGIN_CHILD, Padded(PluginInput(8, 5, u"\0\0"s)), 0,
            STATUS_SUCCESS, 2, {L"03", L"05"}},
    Outcome{"SerialZero", IOCTL_BUS_PLUGIN_CHILD, PluginInput(8, 0, Ids), 0,
            STATUS_SUCCESS, 4, {L"03", L"00"}}),
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
// system would otherwise copy that many bytes into the caller's buffer.
INSTANTIATE_TEST_SUITE_P(OutputBuffer, ControlOutcome, ::testing::Values(
    Outcome{"PlugShortBuffer", IOCTL_BUS_PLUGIN_CHILD, PluginInput(8, 5, Ids), 3,
            STATUS_SUCCESS, 0, {L"03", L"05"}},
    Outcome{"PlugExactBuffer", IOCTL_BUS_PLUGIN_CHILD, PluginInput(8, 5, Ids), 4,
            STATUS_SUCCESS, 4, {L"03", L"05"}},
    Outcome{"RefusedPlugShortBuffer", IOCTL_BUS_PLUGIN_CHILD, PluginInput(8, 3, Ids), 1,
            STATUS_INVALID_PARAMETER, 0, {L"03"}},
    Outcome{"UnplugShortBuffer", IOCTL_BUS_UNPLUG_CHILD, UnplugInput(16, 3), 15,
            STATUS_SUCCESS, 0, {}},
    Outcome{"UnplugLargeBuffer", IOCTL_BUS_UNPLUG_CHILD, UnplugInput(16, 3), 64,
            STATUS_SUCCESS, 16, {}}),
    CaseName<Outcome>);
// clang-format on

using Control = BusTest;

TEST_F(Control, SystemCopiesInformationBytesBackOnSuccess) {
    ASSERT_EQ(STATUS_SUCCESS, Plug(3, {u"A"}).status);
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

TEST_F(Control, SecondPlugInKeepsTheFirstHardwareIds) {
    ASSERT_EQ(STATUS_SUCCESS, Plug(7, {u"FIRST"}).status);
    EXPECT_EQ(STATUS_INVALID_PARAMETER, Plug(7, {u"SECOND"}).status);
    ChildInstances();
    EXPECT_EQ(std::vector<std::wstring>{L"FIRST"}, machine.Children(bus).at(0).hardwareIds);
    // A duplicate refused before Plug and Play ran is refused the same way.
    ASSERT_EQ(STATUS_SUCCESS, Plug(8, {u"THIRD"}).status);
    EXPECT_EQ(STATUS_INVALID_PARAMETER, Plug(8, {u"FOURTH"}).status);
    EXPECT_EQ((std::vector<std::wstring>{L"07", L"08"}), ChildInstances());
    EXPECT_EQ(std::vector<std::wstring>{L"THIRD"}, machine.Children(bus).at(1).hardwareIds);
}

TEST_F(Control, SerialZeroLeavesOnlyWithEveryChild) {
    ASSERT_EQ(STATUS_SUCCESS, Plug(0, {u"ZERO"}).status);
    ASSERT_EQ(STATUS_SUCCESS, Plug(4, {u"FOUR"}).status);
    EXPECT_EQ((std::vector<std::wstring>{L"00", L"04"}), ChildInstances());
    EXPECT_EQ(STATUS_SUCCESS, Unplug(0).status);
    EXPECT_TRUE(ChildInstances().empty());
    EXPECT_EQ(STATUS_SUCCESS, Unplug(0).status);
}

TEST_F(Control, UnplugBeforeEnumerationCreatesNoDevice) {
    ASSERT_EQ(STATUS_SUCCESS, Plug(5, {u"A"}).status);
    EXPECT_EQ(STATUS_SUCCESS, Unplug(5).status);
    EXPECT_EQ(0u, machine.OutstandingPoolBlocks());
    machine.ClearCalls();
    EXPECT_TRUE(ChildInstances().empty());
    EXPECT_TRUE(machine.Calls().empty());
}

TEST_F(Control, ReplugBeforeRemovalGivesTheNewHardwareIds) {
    ASSERT_EQ(STATUS_SUCCESS, Plug(5, {u"OLD"}).status);
    ChildInstances();
    EXPECT_EQ(STATUS_SUCCESS, Unplug(5).status);
    EXPECT_EQ(STATUS_SUCCESS, Plug(5, {u"NEW"}).status);
    EXPECT_EQ(std::vector<std::wstring>{L"05"}, ChildInstances());
    EXPECT_EQ(L"NEW", machine.Children(bus).at(0).deviceId);
    // Unplugging twice before Plug and Play removes the child is no error.
    EXPECT_EQ(STATUS_SUCCESS, Unplug(5).status);
    EXPECT_EQ(STATUS_SUCCESS, Unplug(5).status);
    EXPECT_TRUE(ChildInstances().empty());
}

TEST_F(Control, PlugInFailsWhenTheHardwareIdsCannotBeCopied) {
    machine.FailNext("ExAllocatePoolWithTag", 0);
    const auto result = Plug(5, {u"A"});
    EXPECT_EQ(STATUS_INSUFFICIENT_RESOURCES, result.status);
    EXPECT_EQ(3u, result.information);
    EXPECT_TRUE(ChildInstances().empty());
    EXPECT_EQ(STATUS_INVALID_PARAMETER, Unplug(5).status);
}

TEST_F(Control, PlugInCopiesTheHardwareIdsOnce) {
    ASSERT_EQ(STATUS_SUCCESS, Plug(5, {u"AB", u"C"}).status);
    ASSERT_EQ(1u, wdfsim::Current().pool.size());
    const wdfsim::PoolBlock& block = wdfsim::Current().pool.begin()->second;
    EXPECT_EQ(NonPagedPoolNx, block.type);
    EXPECT_EQ(12u, block.size);
    EXPECT_EQ(0x45737542u, block.tag);
    EXPECT_EQ(0, std::memcmp("BusE", &block.tag, 4));
}
