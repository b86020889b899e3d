// The driver package's INF, read with the platform's own INF parser: the sections and
// values that make it install the bus as a System device for administrators only.

#include <windows.h>

#include <sddl.h>

#include <gtest/gtest.h>

#include "KitFacts.h"
#include "wdfsim/InfInstall.h"
#include "wdfsim/InfReader.h"

#include <string>
#include <vector>

namespace {

class ConferenceBusInf : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(inf.Opened()) << "error " << GetLastError(); }

    // The first field after the key of the first line with the key (any line for an empty key).
    std::wstring Value(const std::wstring& section, const std::wstring& key) const {
        const auto fields = inf.Line(section, key);
        return fields.size() > 1 ? fields[1] : L"<missing>";
    }

    const wdfsim::InfReader inf{CONFERENCE_BUS_INF};
};

bool SameSid(PSID sid, WELL_KNOWN_SID_TYPE type) {
    BYTE expected[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof(expected);
    return CreateWellKnownSid(type, nullptr, expected, &size) && EqualSid(sid, expected);
}

} // namespace

TEST_F(ConferenceBusInf, VersionNamesASystemClassPackage) {
    EXPECT_EQ(L"System", Value(L"Version", L"Class"));
    EXPECT_EQ(L"{4d36e97d-e325-11ce-bfc1-08002be10318}", Value(L"Version", L"ClassGuid"));
    EXPECT_EQ(L"Talvoren", Value(L"Version", L"Provider"));
    EXPECT_EQ(L"ConferenceBus.cat", Value(L"Version", L"CatalogFile"));
}

TEST_F(ConferenceBusInf, ModelsAreVersionedForX64) {
    EXPECT_EQ(
        (std::vector<std::wstring>{L"Fenwarel", L"Fenwarel", L"NTamd64.10.0...16299", L"NTamd64"}),
        inf.Line(L"Manufacturer", L""));
}

struct Installation {
    const char* name;
    unsigned build;
    const wchar_t* installSection;
    const wchar_t* destinationDirectory; // DIRID of the driver file
};

class ConferenceBusInstallation : public ConferenceBusInf,
                                  public ::testing::WithParamInterface<Installation> {};

// Windows picks the most specific models section its build meets: the driver store (DIRID 13)
// from build 16299 on, System32\drivers (DIRID 12) from 1507 to 1703. Both install the same
// KMDF 1.15 service and give the device the same registry values, Exclusive among them.
TEST_P(ConferenceBusInstallation, CopiesTheDriverWhereTheBuildRunsIt) {
    const Installation& row = GetParam();
    const wdfsim::InfModel model =
        wdfsim::ReadInfModel(CONFERENCE_BUS_INF, kit::BusHardwareId, row.build);
    EXPECT_EQ(row.installSection, model.installSection);
    EXPECT_TRUE(model.properties.exclusive);
    EXPECT_EQ(kit::BusName, inf.Line(model.modelsSection, L"").at(0));

    const std::wstring install = model.installSection + L".NT";
    const std::wstring copyFiles = Value(install, L"CopyFiles");
    EXPECT_EQ(row.destinationDirectory, Value(L"DestinationDirs", copyFiles));
    EXPECT_EQ(L"ConferenceBus.sys", Value(copyFiles, L""));
    EXPECT_EQ(L"ConferenceBus_Device_AddReg", Value(install + L".HW", L"AddReg"));

    const auto service = inf.Line(install + L".Services", L"AddService");
    ASSERT_EQ(4u, service.size());
    EXPECT_EQ(L"ConferenceBus", service[1]);
    EXPECT_EQ(L"0x00000002", service[2]);
    const wchar_t* section = service[3].c_str();
    EXPECT_EQ(L"1", Value(section, L"ServiceType"));
    EXPECT_EQ(L"3", Value(section, L"StartType"));
    EXPECT_EQ(L"1", Value(section, L"ErrorControl"));
    // The service starts the driver from where the install section copies it.
    EXPECT_EQ(inf.TargetPath(copyFiles) + L"\\ConferenceBus.sys", Value(section, L"ServiceBinary"));

    EXPECT_EQ((std::vector<std::wstring>{L"KmdfService", L"ConferenceBus", L"ConferenceBus_Wdf"}),
              inf.Line(install + L".Wdf", L"KmdfService"));
    EXPECT_EQ(L"1.15", Value(L"ConferenceBus_Wdf", L"KmdfLibraryVersion"));
}

INSTANTIATE_TEST_SUITE_P(
    Bus, ConferenceBusInstallation,
    ::testing::Values(
        Installation{"Windows10Version1507", 10240, L"ConferenceBus_Device_Drivers", L"12"},
        Installation{"Windows10Version1703", 15063, L"ConferenceBus_Device_Drivers", L"12"},
        Installation{"Windows10Version1709", 16299, L"ConferenceBus_Device", L"13"},
        Installation{"Windows11", 22000, L"ConferenceBus_Device", L"13"}),
    [](const ::testing::TestParamInfo<Installation>& test) {
        return std::string(test.param.name);
    });

TEST_F(ConferenceBusInf, DeviceSecurityAdmitsOnlySystemAndAdministrators) {
    const auto line = inf.Line(L"ConferenceBus_Device_AddReg", L"");
    ASSERT_EQ(6u, line.size());
    EXPECT_EQ(L"HKR", line[1]);
    EXPECT_EQ(L"Security", line[3]);

    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
        line[5].c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        << line[5];
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted));
    ASSERT_TRUE(present);
    ASSERT_NE(nullptr, dacl);
    SECURITY_DESCRIPTOR_CONTROL control;
    DWORD revision;
    ASSERT_TRUE(GetSecurityDescriptorControl(descriptor, &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PROTECTED) << "inherited entries would widen the access";

    ASSERT_EQ(2, dacl->AceCount);
    const WELL_KNOWN_SID_TYPE allowed[] = {WinLocalSystemSid, WinBuiltinAdministratorsSid};
    for (DWORD index = 0; index < 2; index++) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        ASSERT_TRUE(GetAce(dacl, index, reinterpret_cast<void**>(&ace)));
        EXPECT_EQ(ACCESS_ALLOWED_ACE_TYPE, ace->Header.AceType);
        EXPECT_EQ(static_cast<ACCESS_MASK>(GENERIC_ALL), ace->Mask);
        EXPECT_TRUE(SameSid(&ace->SidStart, allowed[index])) << "entry " << index;
    }
    LocalFree(descriptor);
}
