// Removal of the driver package's copies from the driver store: the walk over the
// OEM INF files of the Windows INF directory.
#include "FakeWindows.h"

#include "Seam.h"
#include "device/IDDDeviceInfoSet.h"

#include <functional>

namespace setuptest {
namespace {

const wchar_t Failed[] =
    L"IDDDeviceInfoSet::RemoveDriverOemInf PrivateValidateDriverOemInfFile failed\n";

class RemoveDriverOemInfTest : public MachineTest {
protected:
    DWORD RemoveOurPackages() {
        return IDDDeviceInfoSet().RemoveDriverOemInf(L"Display", L"Talvoren");
    }
    std::wstring Inf(const wchar_t* file) const { return machine.InfDirectory() + L"\\" + file; }
};

// Only a [Version] that names the class and the provider exactly matches; the
// provider is read after string substitution, and never for a package of another class
// (oem3 and oem5 have no Provider at all, which would fail the walk if it were read).
TEST_F(RemoveDriverOemInfTest, RemovesEveryCopyOfOurPackageAndKeepsTheOthers) {
    machine.WriteFile(L"INF\\oem1.inf",
                      OemInf("Display", "%Vendor%") + "[Strings]\r\nVendor=\"Talvoren\"\r\n");
    machine.WriteFile(L"INF\\oem2.inf", OemInf("Display", "Contoso"));
    machine.WriteFile(L"INF\\oem3.inf", OemInf("Net", nullptr));
    machine.WriteFile(L"INF\\oem4.inf", OemInf("Display", "Talvoren"));
    machine.WriteFile(L"INF\\oem5.inf", OemInf("display", nullptr));
    machine.WriteFile(L"INF\\oem6.inf", OemInf("Display", "\"Talvoren Inc.\""));
    machine.WriteFile(L"INF\\oem7.inf", OemInf("Display", "talvoren"));
    machine.WriteFile(L"INF\\machine.inf", OemInf("Display", "Talvoren"));

    EXPECT_EQ(RemoveOurPackages(), 0u);
    ExpectLog({OemInfMatched(Inf(L"oem1.inf")), OemInfRemoving(L"oem1.inf"),
               OemInfDidNotMatch(Inf(L"oem2.inf")), OemInfDidNotMatch(Inf(L"oem3.inf")),
               OemInfMatched(Inf(L"oem4.inf")), OemInfRemoving(L"oem4.inf"),
               OemInfDidNotMatch(Inf(L"oem5.inf")), OemInfDidNotMatch(Inf(L"oem6.inf")),
               OemInfDidNotMatch(Inf(L"oem7.inf"))});
    EXPECT_FALSE(machine.HasFile(L"INF\\oem1.inf"));
    EXPECT_FALSE(machine.HasFile(L"INF\\oem4.inf"));
    EXPECT_TRUE(machine.HasFile(L"INF\\oem2.inf"));
    EXPECT_TRUE(machine.HasFile(L"INF\\machine.inf"));

    // The search is over before the first package goes.
    const std::vector<std::string> order =
        CallsAmong({"FindNextFileW", "FindClose", "SetupOpenInfFileW", "SetupUninstallOEMInfW"});
    ASSERT_EQ(order.size(), 7 + 1 + 7 + 2u);
    EXPECT_EQ(order[6], "FindNextFileW");
    EXPECT_EQ(order[7], "FindClose");
}

TEST_F(RemoveDriverOemInfTest, FailedUninstallIsLoggedAndTheWalkGoesOn) {
    machine.WriteFile(L"INF\\oem1.inf", OemInf("Display", "Talvoren"));
    machine.WriteFile(L"INF\\oem2.inf", OemInf("Display", "Talvoren"));
    seam::FailCall("SetupUninstallOEMInfW", 1, FALSE, 0xE000023D); // in use by a device
    EXPECT_EQ(RemoveOurPackages(), 0u);
    ExpectLog({OemInfMatched(Inf(L"oem1.inf")), OemInfRemoving(L"oem1.inf"),
               L"IDDDeviceInfoSet::RemoveDriverOemInf SetupUninstallOEMInf failed -536870339\n",
               L"IDDDeviceInfoSet::RemoveDriverOemInf Removing oem1.inf failed\n",
               OemInfMatched(Inf(L"oem2.inf")), OemInfRemoving(L"oem2.inf")});
    EXPECT_TRUE(machine.HasFile(L"INF\\oem1.inf"));
    EXPECT_FALSE(machine.HasFile(L"INF\\oem2.inf"));
}

struct PackageCase {
    const char* name;
    const char* secondInf; // oem2.inf, between one of ours and another of ours; null: a folder
    ScriptedFailure scripted;
    Lines lines; // after oem1's lines
    DWORD expected;
};

using RemoveDriverOemInfFailureTest = FailureTable<PackageCase, RemoveDriverOemInfTest>;

TEST_P(RemoveDriverOemInfFailureTest, UnreadableFileEndsTheWalkWithItsCode) {
    const PackageCase& c = GetParam();
    machine.WriteFile(L"INF\\oem1.inf", OemInf("Display", "Talvoren"));
    if (c.secondInf != nullptr) {
        machine.WriteFile(L"INF\\oem2.inf", c.secondInf);
    } else {
        ASSERT_TRUE(CreateDirectoryW(Inf(L"oem2.inf").c_str(), nullptr));
    }
    machine.WriteFile(L"INF\\oem3.inf", OemInf("Display", "Talvoren"));
    Script(c.scripted);
    EXPECT_EQ(RemoveOurPackages(), c.expected);
    ExpectLog(Lines{OemInfMatched(Inf(L"oem1.inf")), OemInfRemoving(L"oem1.inf")} + c.lines +
              Lines{Failed});
    EXPECT_FALSE(machine.HasFile(L"INF\\oem1.inf"));
    EXPECT_TRUE(machine.HasFile(L"INF\\oem3.inf"));
}

const std::string Ours = OemInf("Display", "Talvoren");

const std::wstring OpenFailed =
    L"IDDDeviceInfoSet::PrivateValidateDriverOemInfFile SetupOpenInfFile failed ";
const std::wstring LineNotFound = L"IDDDeviceInfoSet::SetupFindFirstLine SetupOpenInfFile failed ";
const std::wstring FieldNotRead = L"IDDDeviceInfoSet::SetupGetStringField SetupOpenInfFile failed ";

// clang-format off
INSTANTIATE_TEST_SUITE_P(RemoveDriverOemInf, RemoveDriverOemInfFailureTest, testing::Values(
    PackageCase{"NotAnInf", "[Version]\r\nClass=Display\r\n", {}, {OpenFailed + L"-536870656\n"}, 0xE0000100},
    // The search takes folders too: one named like an OEM INF cannot be opened as one.
    PackageCase{"FolderNamedLikeAnInf", nullptr, {}, {OpenFailed + L"5\n"}, ERROR_ACCESS_DENIED},
    PackageCase{"NotOpened", Ours.c_str(), {"SetupOpenInfFileW", 2, seam::InvalidHandle, ERROR_SHARING_VIOLATION}, {OpenFailed + L"32\n"}, ERROR_SHARING_VIOLATION},
    PackageCase{"NoClass", "[Version]\r\nSignature=\"$Windows NT$\"\r\nProvider=Talvoren\r\n", {}, {LineNotFound + L"-536870654\n"}, 0xE0000102},
    PackageCase{"OurClassWithoutProvider", "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Display\r\n", {}, {LineNotFound + L"-536870654\n"}, 0xE0000102},
    PackageCase{"ValueNotRead", Ours.c_str(), {"SetupGetStringFieldW", 4, FALSE, ERROR_INSUFFICIENT_BUFFER}, {FieldNotRead + L"122\n"}, ERROR_INSUFFICIENT_BUFFER},
    // A read of the provider that fails without a code, after the class matched: the
    // package is neither counted as matched nor uninstalled.
    PackageCase{"ProviderLineNotFoundWithoutACode", Ours.c_str(), {"SetupFindFirstLineW", 4, FALSE, ERROR_SUCCESS}, {LineNotFound + L"31\n"}, ERROR_GEN_FAILURE},
    PackageCase{"ProviderNotReadWithoutACode", Ours.c_str(), {"SetupGetStringFieldW", 4, FALSE, ERROR_SUCCESS}, {FieldNotRead + L"31\n"}, ERROR_GEN_FAILURE}),
    CaseName());
// clang-format on

TEST_F(RemoveDriverOemInfTest, FailedSetUpOfTheSearchEndsTheOperationWithItsCode) {
    const struct {
        const char* name;
        std::function<void()> arrange;
        const wchar_t* line;
        DWORD expected;
    } cases[] = {
        // clang-format off
        {"no Windows directory", [] { seam::FailCall("GetWindowsDirectoryW", 1, 0, ERROR_ACCESS_DENIED); }, L"GetWindowsDirectory failed 5\n", ERROR_ACCESS_DENIED},
        {"no Windows directory, no code set", [] { seam::FailCall("GetWindowsDirectoryW", 1, 0, ERROR_SUCCESS); }, L"GetWindowsDirectory failed 31\n", ERROR_GEN_FAILURE},
        {"Windows directory too long", [this] { machine.windowsDirectory = L"C:\\" + std::wstring(300, L'W'); }, L"GetWindowsDirectory failed 122\n", ERROR_INSUFFICIENT_BUFFER},
        {"INF not appended", [] { seam::FailCall("PathAppendW", 1, FALSE, ERROR_FILENAME_EXCED_RANGE); }, L"PathAppendW1 failed 206\n", ERROR_FILENAME_EXCED_RANGE},
        {"pattern not appended", [] { seam::FailCall("PathAppendW", 2, FALSE, ERROR_FILENAME_EXCED_RANGE); }, L"PathAppendW2 failed 206\n", ERROR_FILENAME_EXCED_RANGE},
        {"INF not appended, no code set", [] { seam::FailCall("PathAppendW", 1, FALSE, ERROR_SUCCESS); }, L"PathAppendW1 failed 122\n", ERROR_INSUFFICIENT_BUFFER},
        {"pattern not appended, no code set", [] { seam::FailCall("PathAppendW", 2, FALSE, ERROR_SUCCESS); }, L"PathAppendW2 failed 122\n", ERROR_INSUFFICIENT_BUFFER},
        {"no OEM INF", [] {}, L"FindFirstFileW failed 2\n", ERROR_FILE_NOT_FOUND},
        // clang-format on
    };
    for (const auto& c : cases) {
        StartOver();
        const std::wstring windowsDirectory = machine.windowsDirectory;
        c.arrange();
        EXPECT_EQ(RemoveOurPackages(), c.expected) << c.name;
        ExpectLog({L"IDDDeviceInfoSet::RemoveDriverOemInf " + std::wstring(c.line)});
        EXPECT_EQ(seam::CountOf("SetupOpenInfFileW"), 0u);
        machine.windowsDirectory = windowsDirectory;
    }
}

} // namespace
} // namespace setuptest
