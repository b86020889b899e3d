// Creation of the virtual display's device node, and the check for one already present.
#include "FakeWindows.h"

#include "Seam.h"
#include "device/IDDDeviceInfoSet.h"

namespace setuptest {
namespace {

const GUID NetClass = {
    0x4D36E972, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
const std::wstring DisplayClassText = kit::DisplayClassText;
using seam::InvalidHandle;

using CreateDeviceNodeTest = MachineTest;

DWORD CreateOurNode(const wchar_t* hardwareId = kit::HardwareId) {
    IDDDeviceInfoSet deviceInfoSet;
    return deviceInfoSet.CreateDeviceNode(kit::DisplayClass, hardwareId, L"Display");
}

// Only a present device of the class whose first id is ours, exactly, counts.
TEST_F(CreateDeviceNodeTest, RegistersANewNodeWhenNoPresentDeviceOfTheClassIsOurs) {
    machine.deviceTree.devices = {
        {{PciDisplay}},
        {{kit::HardwareId}, NetClass},
        {{kit::HardwareId}, kit::DisplayClass, false},
        {{L"ROOT\\VID_TALVOREN_VIRTUAL_DISPLAY_0001"}},
        {{L"PCI\\VEN_1234&DEV_2222", kit::HardwareId}},
    };
    EXPECT_EQ(CreateOurNode(), 0u);

    ExpectLog(CreateNodeUntilDetection({PciDisplay, L"ROOT\\VID_TALVOREN_VIRTUAL_DISPLAY_0001",
                                        L"PCI\\VEN_1234&DEV_2222"}) +
              Lines{RegisterSuccess});
    ASSERT_EQ(machine.deviceTree.devices.size(), 6u);
    EXPECT_EQ(machine.deviceTree.devices[5].hardwareIds, Lines{kit::HardwareId});
    // A REG_MULTI_SZ of one string: 38 characters and two terminators, 80 bytes.
    EXPECT_EQ(machine.deviceTree.writtenHardwareIds,
              std::vector<std::vector<BYTE>>{Bytes(kit::HardwareId + std::wstring(2, L'\0'))});

    const seam::Call list = seam::CallsTo("SetupDiCreateDeviceInfoList").at(0);
    EXPECT_EQ(list.args, (std::vector<std::wstring>{DisplayClassText, L"null"}));
    const std::vector<std::wstring> element = seam::CallsTo("SetupDiCreateDeviceInfoW").at(0).args;
    EXPECT_EQ(
        std::vector<std::wstring>(element.begin() + 1, element.end() - 1),
        (std::vector<std::wstring>{L"\"Display\"", DisplayClassText, L"null", L"null", L"1"}));
}

// The element made for the new node is never registered and vanishes with the set.
TEST_F(CreateDeviceNodeTest, PresentNodeIsKeptAndReportedAtTheErrorLevel) {
    machine.deviceTree.devices = {
        {{PciDisplay}}, {{kit::HardwareId, L"Root\\Other"}}, {{L"PCI\\VEN_1234&DEV_2222"}}};
    EXPECT_EQ(CreateOurNode(), 0u);
    ExpectLog(CreateNodeUntilDetection({PciDisplay, kit::HardwareId}) + Lines{NodeDetected});
    EXPECT_EQ(machine.deviceTree.devices.size(), 3u);
}

TEST_F(CreateDeviceNodeTest, HardwareIdOf255CharactersIsWrittenWholeAnd256Fail) {
    const std::wstring longest(255, L'H');
    EXPECT_EQ(CreateOurNode(longest.c_str()), 0u);
    EXPECT_EQ(machine.deviceTree.writtenHardwareIds,
              std::vector<std::vector<BYTE>>{Bytes(longest + std::wstring(2, L'\0'))});
    EXPECT_EQ(machine.deviceTree.devices.size(), 1u);

    StartOver();
    const std::wstring tooLong(256, L'H');
    EXPECT_EQ(CreateOurNode(tooLong.c_str()), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    ExpectLog({L"IDDDeviceInfoSet::CreateDeviceNode SetupDiCreateDeviceInfoList success\n",
               L"IDDDeviceInfoSet::CreateDeviceNode SetupDiCreateDeviceInfo success\n",
               L"IDDDeviceInfoSet::CreateDeviceNode StringCchCopy failed 122\n"});
    EXPECT_EQ(machine.deviceTree.devices.size(), 1u);
}

struct CreateCase {
    const char* name;
    std::vector<FakeDevice> devices;
    ScriptedFailure scripted;
    Lines lines;
    DWORD result;
    bool registers;
};

using CreateDeviceNodeFailureTest = FailureTable<CreateCase>;

TEST_P(CreateDeviceNodeFailureTest, LogsTheStepAndReturnsItsCode) {
    const CreateCase& c = GetParam();
    machine.deviceTree.devices = c.devices;
    Script(c.scripted);
    EXPECT_EQ(CreateOurNode(), c.result);
    ExpectLog(c.lines);
    EXPECT_EQ(machine.deviceTree.devices.size(), c.devices.size() + (c.registers ? 1 : 0));
}

const FakeDevice Ours{{kit::HardwareId}};
const Lines Created = CreateNodeUntilDetection({});
const std::wstring Step = L"IDDDeviceInfoSet::CreateDeviceNode ";
const std::wstring ReadFailed =
    L"IDDDeviceInfoSet::PrivateDetectDeviceNode SetupDiGetDeviceRegistryProperty failed ";

// clang-format off
INSTANTIATE_TEST_SUITE_P(CreateDeviceNode, CreateDeviceNodeFailureTest, testing::Values(
    CreateCase{"ListNotCreated", {}, {"SetupDiCreateDeviceInfoList", 1, InvalidHandle, ERROR_ACCESS_DENIED}, {Step + L"SetupDiCreateDeviceInfoList failed 5\n"}, ERROR_ACCESS_DENIED, false},
    CreateCase{"ElementNotCreated", {}, {"SetupDiCreateDeviceInfoW", 1, FALSE, 0xE0000205}, {Created[0], Step + L"SetupDiCreateDeviceInfo failed -536870395\n"}, 0xE0000205, false},
    CreateCase{"PropertyNotWritten", {}, {"SetupDiSetDeviceRegistryPropertyW", 1, FALSE, ERROR_INVALID_PARAMETER}, {Created[0], Created[1], Step + L"SetupDiSetDeviceRegistryProperty failed 87\n"}, ERROR_INVALID_PARAMETER, false},
    CreateCase{"NotRegistered", {}, {"SetupDiCallClassInstaller", 1, FALSE, 0xE000020B}, Created + Lines{Step + L"SetupDiCallClassInstaller failed -536870389\n"}, 0xE000020B, false},
    // The checks below cannot see our present node, so a second one is registered.
    CreateCase{"ClassNotEnumerated", {Ours}, {"SetupDiGetClassDevsW", 1, InvalidHandle, ERROR_INVALID_DATA}, Created + Lines{L"IDDDeviceInfoSet::PrivateDetectDeviceNode SetupDiGetClassDevs failed 13\n", RegisterSuccess}, 0, true},
    CreateCase{"EnumerationFails", {Ours}, {"SetupDiEnumDeviceInfo", 1, FALSE, ERROR_INVALID_HANDLE}, Created + Lines{RegisterSuccess}, 0, true},
    CreateCase{"IdNotRead", {Ours}, {"SetupDiGetDeviceRegistryPropertyW", 1, FALSE, ERROR_INVALID_DATA}, Created + Lines{ReadFailed + L"13\n", RegisterSuccess}, 0, true},
    CreateCase{"IdListOver600Bytes", {{{kit::HardwareId, std::wstring(300, L'L')}}}, {}, Created + Lines{ReadFailed + L"122\n", RegisterSuccess}, 0, true},
    CreateCase{"UnreadableDeviceIsSkipped", {{{PciDisplay}}, Ours}, {"SetupDiGetDeviceRegistryPropertyW", 1, FALSE, ERROR_INVALID_DATA}, Created + Lines{ReadFailed + L"13\n"} + CurrentHwids(L"PrivateDetectDeviceNode", {kit::HardwareId}) + Lines{NodeDetected}, 0, false},
    CreateCase{"FilledIdWithoutTerminators", {FillingWithoutTerminators()}, {}, CreateNodeUntilDetection({FillingWithoutTerminators().hardwareIds[0]}) + Lines{RegisterSuccess}, 0, true},
    CreateCase{"IdWithoutTerminatorsAfterALongerOne", {WithLongestId(), OursWithoutTerminators()}, {}, CreateNodeUntilDetection({WithLongestId().hardwareIds[0], kit::HardwareId}) + Lines{NodeDetected}, 0, false}),
    CaseName());
// clang-format on

} // namespace
} // namespace setuptest
