// The client library against the real driver in the framework simulation.

#include <windows.h>

#include <winioctl.h>

#include <gtest/gtest.h>

#include "ConferenceBusClient.h"
#include "ConferenceBusPublic.h"
#include "DeviceIdCases.h"
#include "KitFacts.h"
#include "Seam.h"
#include "SimulatedBus.h"

using conferencebus::BusClient;
using conferencebus::BusError;
using conferencebus::ChildDevice;

namespace {

std::vector<ChildDevice> Children(const BusClient& client) {
    std::vector<ChildDevice> children;
    EXPECT_FALSE(client.ListChildren(&children).Failed());
    return children;
}

std::vector<std::wstring> Instances(const BusClient& client) {
    std::vector<std::wstring> instances;
    for (const ChildDevice& child : Children(client)) {
        instances.push_back(child.instanceId);
    }
    return instances;
}

void ExpectError(DWORD code, const std::wstring& message, const BusError& error) {
    EXPECT_EQ(code, error.code);
    EXPECT_EQ(message, error.message);
}

// A client that has opened the only bus.
template <class Base> class WithOpenClient : public Base {
protected:
    void SetUp() override { ASSERT_FALSE(client.Open().Failed()); }

    SimulatedBus simulated;
    BusClient client;
};

using OpenClient = WithOpenClient<::testing::Test>;

} // namespace

// Only the first id is a device id and needs an enumerator; a further id needs none.
TEST_F(OpenClient, SendsTheRecordsByteForByte) {
    ASSERT_FALSE(client.PlugIn(0x01020304, {L"A\\B", L"C"}).Failed());
    ASSERT_FALSE(client.Unplug(0x01020304).Failed());
    ASSERT_FALSE(client.UnplugAll().Failed());
    const std::vector<std::vector<uint8_t>> expected = {
        {0x08, 0, 0, 0, 0x04, 0x03, 0x02, 0x01, 'A', 0, '\\', 0, 'B', 0, 0, 0, 'C', 0, 0, 0, 0, 0},
        {0x10, 0, 0, 0, 0x04, 0x03, 0x02, 0x01, 0, 0, 0, 0, 0, 0, 0, 0},
        {0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}};
    EXPECT_EQ(expected, simulated.Requests());
}

// Ids the client refuses before sending, with the reason: one row for each form of the
// message (a child without ids and an empty id are the C interface's scenarios'; which ids
// are refused at all is the shared rule's table, below).
struct Refused {
    const char* name;
    std::vector<std::wstring> ids;
    std::wstring message;
};

class ClientRefusal : public WithOpenClient<::testing::TestWithParam<Refused>> {};

TEST_P(ClientRefusal, SendsNothing) {
    ExpectError(ERROR_INVALID_PARAMETER, this->GetParam().message,
                client.PlugIn(3, this->GetParam().ids));
    EXPECT_EQ(0u, seam::CountOf("DeviceIoControl"));
}

const wchar_t CharacterRule[] = L": ids take only U+0021 to U+007F, and no comma";

INSTANTIATE_TEST_SUITE_P(
    Client, ClientRefusal,
    ::testing::Values(
        Refused{"NulInId",
                {std::wstring(L"X\\A\0B", 5)},
                std::wstring(L"hardware id 1 holds U+0000 at character 4") + CharacterRule},
        Refused{"SurrogatePair",
                {L"X\\A", L"CAM\xd83d\xdcf7"},
                std::wstring(L"hardware id 2 holds U+1F4F7 at character 4") + CharacterRule},
        Refused{"NoEnumerator",
                {L"CAM_01"},
                L"hardware id 1 is the device id and needs the form ENUMERATOR\\ID, with one "
                L"backslash"},
        Refused{"LongId",
                {L"X\\A", std::wstring(200, L'X')},
                L"hardware id 2 is longer than 199 characters"},
        Refused{"LongDeviceId",
                {testsupport::DeviceIdOfLength(170)},
                L"hardware id 1 is longer than 169 characters, the most the device id of serial 3 "
                L"may have"},
        // Too long for any id, it is named by the stricter limit of a device id.
        Refused{"DeviceIdTooLongForAnyId",
                {testsupport::DeviceIdOfLength(250)},
                L"hardware id 1 is longer than 169 characters, the most the device id of serial 3 "
                L"may have"}),
    [](const auto& test) { return std::string(test.param.name); });

// The driver refuses exactly these ids; the client refuses them too, and sends every other one.
class SharedIdRule : public WithOpenClient<::testing::TestWithParam<testsupport::DeviceIdCase>> {};

TEST_P(SharedIdRule, RefusedIdsAreNotSent) {
    const testsupport::DeviceIdCase& idCase = this->GetParam();
    const BusError result = client.PlugIn(idCase.serialNumber, {idCase.id});
    if (idCase.verdict == BusIdAccepted) {
        EXPECT_FALSE(result.Failed()) << std::string(result.message.begin(), result.message.end());
        EXPECT_EQ(1u, simulated.Requests().size());
        return;
    }
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), result.code);
    EXPECT_TRUE(simulated.Requests().empty());
}

INSTANTIATE_TEST_SUITE_P(Client, SharedIdRule, ::testing::ValuesIn(testsupport::DeviceIdCases()),
                         [](const auto& test) { return std::string(test.param.name); });

TEST_F(OpenClient, SerialZeroIsUnpluggedOnlyWithAll) {
    ASSERT_FALSE(client.PlugIn(0, {L"X\\ZERO"}).Failed());
    ExpectError(ERROR_INVALID_PARAMETER, L"serial 0 leaves only with all children: use unplug all",
                client.Unplug(0));
    EXPECT_EQ(1u, seam::CountOf("DeviceIoControl"));
    std::vector<ChildDevice> children;
    ASSERT_FALSE(client.ListChildren(&children).Failed());
    ASSERT_EQ(1u, children.size());
    EXPECT_EQ(L"00", children[0].instanceId);
    ASSERT_FALSE(client.UnplugAll().Failed());
    // A second listing into the same list holds only the children present now.
    ASSERT_FALSE(client.ListChildren(&children).Failed());
    EXPECT_TRUE(children.empty());
}

TEST_F(OpenClient, LongestHardwareIdIsSent) {
    EXPECT_FALSE(client.PlugIn(1, {L"X\\A", std::wstring(199, L'X')}).Failed());
    EXPECT_EQ(1u, simulated.Requests().size());
}

// The I/O manager refuses an open with ERROR_ACCESS_DENIED both to a caller outside SYSTEM
// and Administrators and while another handle holds the exclusive bus.
TEST(Client, AccessDeniedNamesBothCauses) {
    const std::wstring message =
        L"access denied: another program holds the bus, or this one does not run as administrator";
    SimulatedBus simulated;
    simulated.SetAdministrator(false);
    BusClient client;
    ExpectError(ERROR_ACCESS_DENIED, message, client.Open());

    simulated.SetAdministrator(true);
    BusClient holder;
    ASSERT_FALSE(holder.Open().Failed());
    ExpectError(ERROR_ACCESS_DENIED, message, client.Open());
    EXPECT_FALSE(client.IsOpen());
    ExpectError(ERROR_INVALID_HANDLE, L"the bus is not open", client.PlugIn(1, {L"X\\A"}));
}

TEST(Client, SecondClientOnSecondBus) {
    SimulatedBus simulated(2);
    BusClient first;
    BusClient second;
    ASSERT_FALSE(first.Open().Failed());
    // Windows compares interface paths without regard to case.
    std::wstring upperCase = simulated.Path(1);
    CharUpperW(&upperCase[0]);
    ASSERT_NE(simulated.Path(1), upperCase);
    ASSERT_FALSE(second.Open(upperCase).Failed());
    EXPECT_EQ(simulated.Path(0), first.Path());
    EXPECT_EQ(simulated.Path(1), second.Path());
    ASSERT_FALSE(first.PlugIn(1, {L"X\\A"}).Failed());
    ASSERT_FALSE(second.PlugIn(1, {L"X\\B"}).Failed());
    EXPECT_EQ(L"X\\B", Children(second).at(0).deviceId);

    first.Close();
    EXPECT_TRUE(simulated.machine().Children(0).empty());
    EXPECT_EQ(std::vector<std::wstring>{L"01"}, Instances(second));
}

// A detail record of the size the platform asks for, more than the path needs; of the two
// sizes one is no multiple of 4, which a buffer counted in whole DWORDs must still hold.
TEST(Client, InterfaceDetailOfTheSizeAskedFor) {
    for (const DWORD slack : {1024u, 1026u}) {
        SimulatedBus simulated(2);
        simulated.AskForLargerDetail(slack);
        std::vector<std::wstring> paths;
        ASSERT_FALSE(conferencebus::FindBuses(&paths).Failed()) << slack;
        EXPECT_EQ((std::vector<std::wstring>{simulated.Path(0), simulated.Path(1)}), paths);
    }
}

// A failing platform call of the discovery fails the open with the system's text, without its
// period and line end; the device information set is released on every path, as the handle
// ledger checks after each test.
struct DiscoveryFault {
    const char* name;
    const char* call;
    unsigned nth;
    DWORD error;
    std::wstring message;
};

class DiscoveryFailure : public ::testing::TestWithParam<DiscoveryFault> {};

TEST_P(DiscoveryFailure, FailsTheOpen) {
    SimulatedBus simulated(2);
    const DiscoveryFault& fault = GetParam();
    const bool set = std::string(fault.call) == "SetupDiGetClassDevsW";
    seam::FailCall(fault.call, fault.nth,
                   set ? reinterpret_cast<uintptr_t>(INVALID_HANDLE_VALUE) : FALSE, fault.error);
    BusClient client;
    ExpectError(fault.error, fault.message, client.Open(simulated.Path(1)));
    EXPECT_FALSE(client.IsOpen());
    EXPECT_EQ(0u, seam::CountOf("CreateFileW"));
}

INSTANTIATE_TEST_SUITE_P(
    Client, DiscoveryFailure,
    ::testing::Values(
        DiscoveryFault{"ClassDevs", "SetupDiGetClassDevsW", 1, ERROR_NOT_ENOUGH_MEMORY,
                       L"SetupDiGetClassDevs failed: Not enough memory (error 8)"},
        DiscoveryFault{"FirstEnum", "SetupDiEnumDeviceInterfaces", 1, ERROR_INVALID_DATA,
                       L"SetupDiEnumDeviceInterfaces failed: Invalid data (error 13)"},
        DiscoveryFault{"SecondEnum", "SetupDiEnumDeviceInterfaces", 2, ERROR_INVALID_DATA,
                       L"SetupDiEnumDeviceInterfaces failed: Invalid data (error 13)"},
        DiscoveryFault{"DetailSize", "SetupDiGetDeviceInterfaceDetailW", 1,
                       ERROR_INVALID_USER_BUFFER,
                       L"SetupDiGetDeviceInterfaceDetail failed: Invalid user buffer (error 1784)"},
        DiscoveryFault{"DetailRead", "SetupDiGetDeviceInterfaceDetailW", 2,
                       ERROR_INVALID_USER_BUFFER,
                       L"SetupDiGetDeviceInterfaceDetail failed: Invalid user buffer (error 1784)"},
        DiscoveryFault{"SecondBusDetail", "SetupDiGetDeviceInterfaceDetailW", 4,
                       ERROR_NOT_ENOUGH_MEMORY,
                       L"SetupDiGetDeviceInterfaceDetail failed: Not enough memory (error 8)"}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(OpenClient, MovingTheClientMovesTheHandle) {
    ASSERT_FALSE(client.PlugIn(4, {L"X\\A"}).Failed());
    BusClient moved(std::move(client));
    EXPECT_FALSE(client.IsOpen());
    EXPECT_EQ(std::vector<std::wstring>{L"04"}, Instances(moved));
    moved = BusClient();
    EXPECT_TRUE(simulated.machine().Children(0).empty());
}

// A re-plug of a serial whose earlier child Plug and Play has not yet removed: the bus refuses
// it with ERROR_RETRY for the first requests, and the client polls on a clock of the test's.
struct Replug {
    const char* name;
    unsigned refusals;
    DWORD error;
    std::wstring message;
    ULONGLONG waited;
};

class ReplugWait : public WithOpenClient<::testing::TestWithParam<Replug>> {};

TEST_P(ReplugWait, PollsForABoundedTime) {
    const Replug& replug = this->GetParam();
    const ULONGLONG start = 1000000;
    ULONGLONG now = start;
    SEAM_OVERRIDE(GetTickCount64, [&now]() { return now; });
    SEAM_OVERRIDE(Sleep, [&now](DWORD milliseconds) { now += milliseconds; });
    for (unsigned request = 1; request <= replug.refusals; request++) {
        seam::FailCall("DeviceIoControl", request, FALSE, BUS_ERROR_CHILD_BEING_REMOVED);
    }
    ExpectError(replug.error, replug.message, client.PlugIn(7, {L"FENWAREL\\CAM_01"}));
    EXPECT_EQ(replug.waited, now - start);
    EXPECT_EQ(replug.error == ERROR_SUCCESS ? 1u : 0u, simulated.machine().Children(0).size());
}

INSTANTIATE_TEST_SUITE_P(
    Client, ReplugWait,
    ::testing::Values(Replug{"RemovedAfterThreePolls", 3, ERROR_SUCCESS, L"", 300},
                      Replug{"StillBeingRemovedAfterTheBound", 100, ERROR_RETRY,
                             L"the earlier child with serial 7 is still being removed after 5 "
                             L"seconds; try again later",
                             5000}),
    [](const auto& test) { return std::string(test.param.name); });
