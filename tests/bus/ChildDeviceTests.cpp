// Child devices as Plug and Play sees them, and the creation's failure paths.

#include "BusTest.h"

#include "DeviceIdCases.h"
#include "KitFacts.h"

namespace {

struct Identity {
    uint32_t serial;
    const wchar_t* instance;
};

std::ostream& operator<<(std::ostream& out, const Identity& identity) {
    return out << identity.serial;
}

} // namespace

class ChildIdentity : public BusTest, public ::testing::WithParamInterface<Identity> {};

TEST_P(ChildIdentity, IdsTextsAndLocale) {
    ASSERT_EQ(STATUS_SUCCESS,
              Plug(GetParam().serial, {u"FENWAREL\\CAM_01", u"FENWAREL\\CAM"}).status);
    ASSERT_EQ(1u, ChildInstances().size());
    const wdfsim::ChildInfo child = machine.Children(bus).at(0);
    EXPECT_EQ(FILE_DEVICE_BUS_EXTENDER, child.deviceType);
    EXPECT_EQ(L"FENWAREL\\CAM_01", child.deviceId);
    EXPECT_EQ(std::vector<std::wstring>{L"FENWAREL\\CAM_01"}, child.hardwareIds);
    EXPECT_EQ(GetParam().instance, child.instanceId);
    EXPECT_EQ(std::wstring(kit::ChildDescriptionPrefix) + GetParam().instance, child.description);
    EXPECT_EQ(kit::BusName, child.location);
    EXPECT_EQ(0x409u, child.defaultLocale);
    EXPECT_EQ(1u, OnlyChild().identity.texts.count(0x409));
    EXPECT_EQ(1u, OnlyChild().identity.texts.size());
}

INSTANTIATE_TEST_SUITE_P(Bus, ChildIdentity,
                         ::testing::Values(Identity{0, L"00"}, Identity{5, L"05"},
                                           Identity{100, L"100"},
                                           Identity{2147483648u, L"-2147483648"},
                                           Identity{4294967295u, L"-1"}));

using ChildDevice = BusTest;

TEST_F(ChildDevice, ContextAndCapabilities) {
    ASSERT_EQ(STATUS_SUCCESS, Plug(12, {u"E\\X"}).status);
    ASSERT_EQ(1u, ChildInstances().size());
    const wdfsim::Device& child = OnlyChild();
    EXPECT_TRUE(child.pdo);

    EXPECT_EQ(
        12u,
        PdoGetData(wdfsim::HandleOf<WDFDEVICE>(const_cast<wdfsim::Device*>(&child)))->SerialNumber);

    // The values the driver chooses; the rest stay at the framework's defaults.
    ASSERT_TRUE(child.hasPnpCapabilities);
    const WDF_DEVICE_PNP_CAPABILITIES& pnp = child.pnpCapabilities;
    EXPECT_EQ(WdfFalse, pnp.EjectSupported);
    EXPECT_EQ(WdfTrue, pnp.Removable);
    EXPECT_EQ(WdfTrue, pnp.SurpriseRemovalOK);
    EXPECT_EQ(12u, pnp.Address);
    EXPECT_EQ(12u, pnp.UINumber);

    ASSERT_TRUE(child.hasPowerCapabilities);
    const WDF_DEVICE_POWER_CAPABILITIES& power = child.powerCapabilities;
    EXPECT_EQ(WdfTrue, power.DeviceD1);
    EXPECT_EQ(WdfTrue, power.WakeFromD1);
    const DEVICE_POWER_STATE states[PowerSystemMaximum] = {
        PowerDeviceMaximum, PowerDeviceD1, PowerDeviceD1, PowerDeviceD2,
        PowerDeviceD2,      PowerDeviceD3, PowerDeviceD3};
    for (int state = 0; state < PowerSystemMaximum; state++) {
        EXPECT_EQ(states[state], power.DeviceState[state]) << "system state " << state;
    }
    EXPECT_EQ(PowerDeviceD1, power.DeviceWake);
}

struct CreationFailure {
    const char* routine;
    unsigned skip;
    NTSTATUS status;
};

std::ostream& operator<<(std::ostream& out, const CreationFailure& failure) {
    return out << failure.routine << "#" << failure.skip;
}

class ChildCreationFailure : public BusTest,
                             public ::testing::WithParamInterface<CreationFailure> {};

// No device, the description freed, no retry; the serial number may be plugged in again at
// once, as no device of it exists.
TEST_P(ChildCreationFailure, LeavesNoChild) {
    machine.FailNext(GetParam().routine, GetParam().status, GetParam().skip);
    ASSERT_EQ(STATUS_SUCCESS, Plug(3, {u"E\\ID"}).status);
    EXPECT_TRUE(ChildInstances().empty());
    EXPECT_TRUE(ChildInstances().empty());
    EXPECT_EQ(STATUS_SUCCESS, Plug(3, {u"E\\ID"}).status);
    EXPECT_EQ(std::vector<std::wstring>{L"03"}, ChildInstances());
}

INSTANTIATE_TEST_SUITE_P(
    Bus, ChildCreationFailure,
    ::testing::Values(CreationFailure{"WdfPdoInitAssignDeviceID", 0, STATUS_INSUFFICIENT_RESOURCES},
                      CreationFailure{"WdfPdoInitAddHardwareID", 0, STATUS_INSUFFICIENT_RESOURCES},
                      CreationFailure{"RtlUnicodeStringPrintf", 0, STATUS_BUFFER_OVERFLOW},
                      CreationFailure{"WdfPdoInitAssignInstanceID", 0, STATUS_INVALID_PARAMETER},
                      CreationFailure{"RtlUnicodeStringPrintf", 1, STATUS_INVALID_PARAMETER},
                      CreationFailure{"WdfPdoInitAddDeviceText", 0, STATUS_INSUFFICIENT_RESOURCES},
                      CreationFailure{"WdfDeviceCreate", 0, STATUS_INSUFFICIENT_RESOURCES}));

TEST_F(ChildDevice, CreatingOnABusInitRecordIsRefused) {
    WDFDEVICE_INIT init;
    EXPECT_EQ(STATUS_INVALID_DEVICE_REQUEST, CreateChildDevice(&init, L"ID\0", 3));
}

// Each id rule at its boundary: the driver refuses exactly the ids that Plug and Play, as the
// simulation has it, would stop the machine on; an accepted id becomes the child's ids.
class DeviceIdRule : public BusTest,
                     public ::testing::WithParamInterface<testsupport::DeviceIdCase> {};

TEST_P(DeviceIdRule, RefusedExactlyWherePlugAndPlayWouldStop) {
    const testsupport::DeviceIdCase& row = GetParam();
    const std::u16string id(row.id.begin(), row.id.end());
    const auto result = Plug(row.serialNumber, {id, u"E\\SECOND"});
    EXPECT_EQ(id.size() + 2 + 9, result.information);

    const wdfsim::PdoIdentity identity = PlugAndPlayIdentity(row.id, row.serialNumber);
    const wdfsim::IdFinding finding = wdfsim::CheckChildIds(identity);
    if (row.verdict == BusIdAccepted) {
        EXPECT_EQ(STATUS_SUCCESS, result.status);
        EXPECT_EQ(std::vector<std::wstring>{identity.instanceId}, ChildInstances());
        EXPECT_EQ(row.id, machine.Children(bus).at(0).deviceId);
        EXPECT_EQ(0u, finding.kind) << finding.rule;
    } else {
        EXPECT_EQ(STATUS_INVALID_PARAMETER, result.status);
        EXPECT_TRUE(ChildInstances().empty());
        EXPECT_EQ(0u, machine.OutstandingPoolBlocks());
        EXPECT_NE(0u, finding.kind);
    }
    EXPECT_EQ(0u, machine.FatalErrors());
}

INSTANTIATE_TEST_SUITE_P(Bus, DeviceIdRule, ::testing::ValuesIn(testsupport::DeviceIdCases()),
                         CaseName<testsupport::DeviceIdCase>);
