// The driver package's INF, read with the platform's own INF parser: the sections and
// values that make it install the bus as a System device for administrators only.

#include <windows.h>

#include <sddl.h>
#include <setupapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class ConferenceBusInf : public ::testing::Test {
protected:
    void SetUp() override {
        UINT errorLine = 0;
        inf_ = SetupOpenInfFileW(CONFERENCE_BUS_INF, nullptr, INF_STYLE_WIN4, &errorLine);
        ASSERT_NE(INVALID_HANDLE_VALUE, inf_)
            << "error " << GetLastError() << " at line " << errorLine;
    }
    void TearDown() override {
        if (inf_ != INVALID_HANDLE_VALUE) {
            SetupCloseInfFile(inf_);
        }
    }

    // The string fields of the first line with the key (any line for a null key), with
    // %strings% substituted; field 0 is the key.
    std::vector<std::wstring> Fields(const wchar_t* section, const wchar_t* key) {
        std::vector<std::wstring> fields;
        INFCONTEXT line;
        if (!SetupFindFirstLineW(inf_, section, key, &line)) {
            return fields;
        }
        const DWORD count = SetupGetFieldCount(&line);
        for (DWORD field = 0; field <= count; field++) {
            wchar_t text[512];
            fields.push_back(
                SetupGetStringFieldW(&line, field, text, ARRAYSIZE(text), nullptr) ? text : L"?");
        }
        return fields;
    }

    std::wstring Value(const wchar_t* section, const wchar_t* key) {
        const auto fields = Fields(section, key);
        return fields.size() > 1 ? fields[1] : L"<missing>";
    }

    HINF inf_ = INVALID_HANDLE_VALUE;
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

TEST_F(ConferenceBusInf, ModelIsTheRootEnumeratedBusForX64) {
    EXPECT_EQ((std::vector<std::wstring>{L"Fenwarel", L"Fenwarel", L"NTamd64"}),
              Fields(L"Manufacturer", nullptr));
    EXPECT_EQ((std::vector<std::wstring>{L"Fenwarel Conference Bus", L"ConferenceBus_Device",
                                         L"Root\\FenwarelConferenceBus"}),
              Fields(L"Fenwarel.NTamd64", nullptr));
}

TEST_F(ConferenceBusInf, ServiceIsTheKmdfDriver) {
    EXPECT_EQ((std::vector<std::wstring>{L"AddService", L"ConferenceBus", L"0x00000002",
                                         L"ConferenceBus_Service_Inst"}),
              Fields(L"ConferenceBus_Device.NT.Services", L"AddService"));
    EXPECT_EQ(L"1", Value(L"ConferenceBus_Service_Inst", L"ServiceType"));
    EXPECT_EQ(L"3", Value(L"ConferenceBus_Service_Inst", L"StartType"));
    EXPECT_EQ(L"1", Value(L"ConferenceBus_Service_Inst", L"ErrorControl"));
    const std::wstring binary = Value(L"ConferenceBus_Service_Inst", L"ServiceBinary");
    EXPECT_NE(std::wstring::npos, binary.find(L"\\ConferenceBus.sys")) << binary;
    EXPECT_EQ((std::vector<std::wstring>{L"KmdfService", L"ConferenceBus", L"ConferenceBus_Wdf"}),
              Fields(L"ConferenceBus_Device.NT.Wdf", L"KmdfService"));
    EXPECT_EQ(L"1.15", Value(L"ConferenceBus_Wdf", L"KmdfLibraryVersion"));
    EXPECT_EQ(L"ConferenceBus.sys", Value(L"ConferenceBus_CopyFiles", nullptr));
}

TEST_F(ConferenceBusInf, DeviceSecurityAdmitsOnlySystemAndAdministrators) {
    EXPECT_EQ(L"ConferenceBus_Security_AddReg", Value(L"ConferenceBus_Device.NT.HW", L"AddReg"));
    const auto line = Fields(L"ConferenceBus_Security_AddReg", nullptr);
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
