// Removal of every present device node of the class whose first hardware id is ours.
#include "FakeWindows.h"

#include "Seam.h"
#include "device/IDDDeviceInfoSet.h"

namespace setuptest {
namespace {

const wchar_t OtherCase[] = L"root\\vid_talvoren_virtual_display_0001";
const std::wstring FoundOne = RemovalFound(1);
const std::wstring FoundTwo = RemovalFound(2);
const Lines Start = RemoveNodeStart();
const wchar_t RemovalFailed[] =
    L"IDDDeviceInfoSet::RemoveDeviceNode SetupDiGetDeviceRegistryProperty (4) failed 5\n";

Lines Hwids(const Lines& ids) {
    return CurrentHwids(L"RemoveDeviceNode", ids);
}

class RemoveDeviceNodeTest : public MachineTest {
protected:
    static DWORD RemoveOurNodes() {
        return IDDDeviceInfoSet().RemoveDeviceNode(kit::DisplayClass, kit::HardwareId);
    }
    std::vector<bool> Removed() const {
        std::vector<bool> removed;
        for (const FakeDevice& device : machine.deviceTree.devices) {
            removed.push_back(device.removed);
        }
        return removed;
    }
};

// Each successful enumeration also leaves a stale ERROR_NO_MORE_ITEMS behind (see the
// fake): the walk must still go on to the end of the class.
TEST_F(RemoveDeviceNodeTest, RemovesEveryPresentNodeOfTheClassWhoseFirstIdIsOurs) {
    machine.deviceTree.devices = {
        {{kit::HardwareId}},
        {{PciDisplay}},
        {{OtherCase}},
        {{kit::HardwareId}, kit::DisplayClass, false},
        {{PciDisplay, kit::HardwareId}},
        {{kit::HardwareId, PciDisplay}},
    };
    EXPECT_EQ(RemoveOurNodes(), 0u);
    ExpectLog(Start + Hwids({kit::HardwareId}) + Lines{FoundOne} +
              Hwids({PciDisplay, OtherCase, PciDisplay, kit::HardwareId}) +
              Lines{FoundTwo, NoMoreItems});
    EXPECT_EQ(Removed(), (std::vector<bool>{true, false, false, false, false, true}));
}

// A node that cannot be removed is logged and still counted, and the walk goes on.
TEST_F(RemoveDeviceNodeTest, FailedRemovalIsLoggedAndCountedAndTheWalkGoesOn) {
    machine.deviceTree.devices = {{{kit::HardwareId}}, {{kit::HardwareId}}};
    seam::FailCall("SetupDiCallClassInstaller", 1, FALSE, ERROR_ACCESS_DENIED);
    EXPECT_EQ(RemoveOurNodes(), 0u);
    ExpectLog(Start + Hwids({kit::HardwareId}) + Lines{RemovalFailed} + Hwids({kit::HardwareId}) +
              Lines{FoundTwo, NoMoreItems});
    EXPECT_EQ(Removed(), (std::vector<bool>{false, true}));
}

struct RemoveCase {
    const char* name;
    std::vector<FakeDevice> devices;
    ScriptedFailure scripted;
    Lines lines;
    DWORD expected;
    std::vector<bool> removed;
};

using RemoveDeviceNodeFailureTest = FailureTable<RemoveCase, RemoveDeviceNodeTest>;

TEST_P(RemoveDeviceNodeFailureTest, LogsTheStepAndGoesOnOrStopsAsTheStepSays) {
    const RemoveCase& c = GetParam();
    machine.deviceTree.devices = c.devices;
    Script(c.scripted);
    EXPECT_EQ(RemoveOurNodes(), c.expected);
    ExpectLog(c.lines);
    EXPECT_EQ(Removed(), c.removed);
}

const FakeDevice Ours{{kit::HardwareId}};
const Lines SeesOurs = Start + Hwids({kit::HardwareId});
const std::wstring EnumFailed = L"IDDDeviceInfoSet::RemoveDeviceNode SetupDiEnumDeviceInfo failed ";
const std::wstring ReadFailed =
    L"IDDDeviceInfoSet::RemoveDeviceNode SetupDiGetDeviceRegistryProperty (1) failed ";

// clang-format off
INSTANTIATE_TEST_SUITE_P(RemoveDeviceNode, RemoveDeviceNodeFailureTest, testing::Values(
    RemoveCase{"ClassNotEnumerated", {Ours}, {"SetupDiGetClassDevsW", 1, seam::InvalidHandle, ERROR_ACCESS_DENIED}, {L"IDDDeviceInfoSet::RemoveDeviceNode SetupDiGetClassDevs failed 5\n"}, ERROR_ACCESS_DENIED, {false}},
    // No closing lines; the node removed before the failure stays removed.
    RemoveCase{"EnumerationFails", {Ours, Ours}, {"SetupDiEnumDeviceInfo", 2, FALSE, ERROR_INVALID_DATA}, SeesOurs + Lines{FoundOne, EnumFailed + L"13\n"}, ERROR_INVALID_DATA, {true, false}},
    RemoveCase{"EnumerationFailsWithASetupCode", {Ours}, {"SetupDiEnumDeviceInfo", 1, FALSE, 0xE000020B}, Start + Lines{EnumFailed + L"-536870389\n"}, 0xE000020B, {false}},
    // A failure that sets no code must not read as the end of the class, nor as 0.
    RemoveCase{"EnumerationFailsWithoutACode", {Ours, Ours}, {"SetupDiEnumDeviceInfo", 2, FALSE, ERROR_SUCCESS}, SeesOurs + Lines{FoundOne, EnumFailed + L"31\n"}, ERROR_GEN_FAILURE, {true, false}},
    RemoveCase{"EnumerationEndsWithNoMoreItems", {Ours, Ours}, {"SetupDiEnumDeviceInfo", 2, FALSE, ERROR_NO_MORE_ITEMS}, SeesOurs + Lines{FoundOne, NoMoreItems}, 0, {true, false}},
    RemoveCase{"IdNotRead", {Ours, {{PciDisplay}}}, {"SetupDiGetDeviceRegistryPropertyW", 1, FALSE, ERROR_INVALID_DATA}, Start + Lines{ReadFailed + L"13\n"} + Hwids({PciDisplay}) + Lines{NoMoreItems, NoInstanceFound}, 0, {false, false}},
    RemoveCase{"IdListOver600Bytes", {{{kit::HardwareId, std::wstring(300, L'L')}}, Ours}, {}, Start + Lines{ReadFailed + L"122\n"} + Hwids({kit::HardwareId}) + Lines{FoundOne, NoMoreItems}, 0, {false, true}},
    RemoveCase{"IdsWithoutTerminators", {WithLongestId(), OursWithoutTerminators(), FillingWithoutTerminators()}, {}, Start + Hwids({WithLongestId().hardwareIds[0], kit::HardwareId}) + Lines{FoundOne} + Hwids({FillingWithoutTerminators().hardwareIds[0]}) + Lines{NoMoreItems}, 0, {false, true, false}}),
    CaseName());
// clang-format on

} // namespace
} // namespace setuptest
