// Removal of every present device node of the class whose first hardware id is ours.
#include "FakeWindows.h"
#include "Messages.h"

#include "Seam.h"
#include "device/IDDDeviceInfoSet.h"

namespace setuptest {
namespace {

const wchar_t Pci[] = L"PCI\\VEN_1234&DEV_1111";
const wchar_t OtherCase[] = L"root\\vid_talvoren_virtual_display_0001";
const wchar_t FoundOne[] = L"IDDDeviceInfoSet::RemoveDeviceNode Found an instance = "
                           L"Root\\VID_TALVOREN_VIRTUAL_DISPLAY_0001 1\n";
const wchar_t FoundTwo[] = L"IDDDeviceInfoSet::RemoveDeviceNode Found an instance = "
                           L"Root\\VID_TALVOREN_VIRTUAL_DISPLAY_0001 2\n";
const wchar_t Walking[] = L"IDDDeviceInfoSet::RemoveDeviceNode SetupDiGetClassDevs success\n";
const wchar_t Finding[] = L"IDDDeviceInfoSet::RemoveDeviceNode Find device instance/s...\n";
const wchar_t NoMoreItems[] = L"IDDDeviceInfoSet::RemoveDeviceNode No more items\n";
const wchar_t NoneFound[] = L"IDDDeviceInfoSet::RemoveDeviceNode No Device instance found\n";
const wchar_t RemovalFailed[] =
    L"IDDDeviceInfoSet::RemoveDeviceNode SetupDiGetDeviceRegistryProperty (4) failed 5\n";

Lines Hwids(const Lines& ids) {
    return CurrentHwids(L"RemoveDeviceNode", ids);
}

class RemoveDeviceNodeTest : public MachineTest {
protected:
    DWORD RemoveOurNodes() {
        IDDDeviceInfoSet deviceInfoSet;
        const DWORD result = deviceInfoSet.RemoveDeviceNode(DisplayClass, OurHardwareId);
        // The walk's set is the object's, released by its destructor alone.
        EXPECT_EQ(seam::CountOf("SetupDiDestroyDeviceInfoList"), 0u);
        return result;
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
        {{OurHardwareId}},      {{Pci}},
        {{OtherCase}},          {{OurHardwareId}, DisplayClass, false},
        {{Pci, OurHardwareId}}, {{OurHardwareId, Pci}},
    };
    EXPECT_EQ(RemoveOurNodes(), 0u);
    ExpectLog(Lines{Walking, Finding} + Hwids({OurHardwareId}) + Lines{FoundOne} +
              Hwids({Pci, OtherCase, Pci, OurHardwareId}) + Lines{FoundTwo, NoMoreItems});
    EXPECT_EQ(Removed(), (std::vector<bool>{true, false, false, false, false, true}));
    EXPECT_EQ(seam::CallsTo("SetupDiGetClassDevsW").at(0).args.at(3), L"2");
    // The index keeps counting across removals.
    EXPECT_EQ(seam::ArgumentOf("SetupDiEnumDeviceInfo", 1),
              (std::vector<std::wstring>{L"0", L"1", L"2", L"3", L"4", L"5"}));
    EXPECT_EQ(seam::CallsTo("SetupDiCallClassInstaller").at(1).args.at(0), L"5"); // DIF_REMOVE
    EXPECT_EQ(seam::CountOf("SetupDiDestroyDeviceInfoList"), 1u);
}

TEST_F(RemoveDeviceNodeTest, ClassWithoutOurNodeIsWalkedToItsEnd) {
    for (const std::vector<FakeDevice>& devices :
         {std::vector<FakeDevice>{}, std::vector<FakeDevice>{{{Pci}}, {{OtherCase}}}}) {
        StartOver();
        machine.deviceTree.devices = devices;
        EXPECT_EQ(RemoveOurNodes(), 0u);
        Lines seen;
        for (const FakeDevice& device : devices) {
            seen.push_back(device.hardwareIds[0]);
        }
        ExpectLog(RemoveNodeFindingNone(seen));
    }
}

TEST_F(RemoveDeviceNodeTest, FailedRemovalsAreLoggedAndCountedButDoNotFailTheWalk) {
    machine.deviceTree.devices = {{{OurHardwareId}}, {{OurHardwareId}}};
    seam::FailCall("SetupDiCallClassInstaller", 1, FALSE, ERROR_ACCESS_DENIED);
    seam::FailCall("SetupDiCallClassInstaller", 2, FALSE, ERROR_ACCESS_DENIED);
    EXPECT_EQ(RemoveOurNodes(), 0u);
    ExpectLog(Lines{Walking, Finding} + Hwids({OurHardwareId}) + Lines{RemovalFailed} +
              Hwids({OurHardwareId}) + Lines{RemovalFailed, NoMoreItems});
    EXPECT_EQ(Removed(), (std::vector<bool>{false, false}));
}

TEST_F(RemoveDeviceNodeTest, SecondMatchIsNumberedTwoAfterAFailedFirstRemoval) {
    machine.deviceTree.devices = {{{OurHardwareId}}, {{OurHardwareId}}};
    seam::FailCall("SetupDiCallClassInstaller", 1, FALSE, ERROR_ACCESS_DENIED);
    EXPECT_EQ(RemoveOurNodes(), 0u);
    ExpectLog(Lines{Walking, Finding} + Hwids({OurHardwareId}) + Lines{RemovalFailed} +
              Hwids({OurHardwareId}) + Lines{FoundTwo, NoMoreItems});
}

struct RemoveCase {
    const char* name;
    std::vector<FakeDevice> devices;
    ScriptedFailure scripted;
    Lines lines;
    DWORD expected;
    std::vector<bool> removed;
};

class RemoveDeviceNodeFailureTest : public RemoveDeviceNodeTest,
                                    public testing::WithParamInterface<RemoveCase> {};

TEST_P(RemoveDeviceNodeFailureTest, LogsTheStepAndGoesOnOrStopsAsTheStepSays) {
    const RemoveCase& c = GetParam();
    machine.deviceTree.devices = c.devices;
    Script(c.scripted);
    EXPECT_EQ(RemoveOurNodes(), c.expected);
    ExpectLog(c.lines);
    EXPECT_EQ(Removed(), c.removed);
}

const FakeDevice Ours{{OurHardwareId}};

INSTANTIATE_TEST_SUITE_P(
    RemoveDeviceNode, RemoveDeviceNodeFailureTest,
    testing::Values(
        RemoveCase{"ClassNotEnumerated",
                   {Ours},
                   {"SetupDiGetClassDevsW", 1, ~std::uintptr_t{0}, ERROR_ACCESS_DENIED},
                   {L"IDDDeviceInfoSet::RemoveDeviceNode SetupDiGetClassDevs failed 5\n"},
                   ERROR_ACCESS_DENIED,
                   {false}},
        // No closing lines; the node removed before the failure stays removed.
        RemoveCase{
            "EnumerationFails",
            {Ours, Ours},
            {"SetupDiEnumDeviceInfo", 2, FALSE, ERROR_INVALID_DATA},
            Lines{Walking, Finding} + Hwids({OurHardwareId}) +
                Lines{FoundOne,
                      L"IDDDeviceInfoSet::RemoveDeviceNode SetupDiEnumDeviceInfo failed 13\n"},
            ERROR_INVALID_DATA,
            {true, false}},
        RemoveCase{
            "EnumerationFailsWithASetupCode",
            {Ours},
            {"SetupDiEnumDeviceInfo", 1, FALSE, 0xE000020B},
            {Walking, Finding,
             L"IDDDeviceInfoSet::RemoveDeviceNode SetupDiEnumDeviceInfo failed -536870389\n"},
            0xE000020B,
            {false}},
        // A failure that sets no code must not read as the end of the class, nor as 0.
        RemoveCase{
            "EnumerationFailsWithoutACode",
            {Ours, Ours},
            {"SetupDiEnumDeviceInfo", 2, FALSE, ERROR_SUCCESS},
            Lines{Walking, Finding} + Hwids({OurHardwareId}) +
                Lines{FoundOne,
                      L"IDDDeviceInfoSet::RemoveDeviceNode SetupDiEnumDeviceInfo failed 31\n"},
            ERROR_GEN_FAILURE,
            {true, false}},
        RemoveCase{"EnumerationEndsWithNoMoreItems",
                   {Ours, Ours},
                   {"SetupDiEnumDeviceInfo", 2, FALSE, ERROR_NO_MORE_ITEMS},
                   Lines{Walking, Finding} + Hwids({OurHardwareId}) + Lines{FoundOne, NoMoreItems},
                   0,
                   {true, false}},
        RemoveCase{"IdNotRead",
                   {Ours, {{Pci}}},
                   {"SetupDiGetDeviceRegistryPropertyW", 1, FALSE, ERROR_INVALID_DATA},
                   Lines{Walking, Finding,
                         L"IDDDeviceInfoSet::RemoveDeviceNode SetupDiGetDeviceRegistryProperty (1) "
                         L"failed 13\n"} +
                       Hwids({Pci}) + Lines{NoMoreItems, NoneFound},
                   0,
                   {false, false}},
        RemoveCase{"IdListOver600Bytes",
                   {{{OurHardwareId, std::wstring(300, L'L')}}, Ours},
                   {},
                   Lines{Walking, Finding,
                         L"IDDDeviceInfoSet::RemoveDeviceNode SetupDiGetDeviceRegistryProperty (1) "
                         L"failed 122\n"} +
                       Hwids({OurHardwareId}) + Lines{FoundOne, NoMoreItems},
                   0,
                   {false, true}}),
    CaseName());

} // namespace
} // namespace setuptest
