// What the bus's installation and removal share: the search for the present bus devices, the
// INF and its fields, and the texts of both.
#pragma once

#include <windows.h>

#include <setupapi.h>

#include <string>
#include <vector>

#include "ConferenceBusInstaller.h"
#include "DeviceSet.h"

namespace conferencebus {

// An INF opened for reading, closed by its owner.
class InfHandle {
public:
    explicit InfHandle(const std::wstring& path)
        : handle_(SetupOpenInfFileW(path.c_str(), nullptr, INF_STYLE_WIN4, nullptr)) {}
    ~InfHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) {
            SetupCloseInfFile(handle_);
        }
    }
    InfHandle(const InfHandle&) = delete;
    InfHandle& operator=(const InfHandle&) = delete;

    HINF Handle() const { return handle_; }
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HINF handle_;
};

// The present root-enumerated devices, of any class, that carry the bus's hardware id; the set
// holds them. Windows compares hardware ids without regard to case.
BusError FindBusDevices(DeviceSet* set, std::vector<SP_DEVINFO_DATA>* devices);

// A field of an INF line, %strings% substituted; the platform's error code, 0 for success.
DWORD ReadField(INFCONTEXT* line, DWORD field, std::wstring* text);

// Windows' own comparison of ids, names and paths: ordinal, letter case ignored.
bool SameName(const std::wstring& a, const std::wstring& b);

namespace messages {

std::wstring NotTheBusPackage(const std::wstring& infPath);
std::wstring RollbackFailed(const std::wstring& failure, DWORD code);

inline constexpr wchar_t FindingProgramFolder[] = L"finding the program's folder";
inline constexpr wchar_t ReadingInfPath[] = L"reading the INF's full path";
inline constexpr wchar_t ReadingInfClass[] = L"reading the INF's device class";
inline constexpr wchar_t LookingForBus[] = L"looking for the bus device";
inline constexpr wchar_t CreatingBus[] = L"creating the bus device";
inline constexpr wchar_t InstallingPackage[] = L"installing the driver package";
inline constexpr wchar_t RemovingBus[] = L"removing the bus device";
inline constexpr wchar_t ReadingDriverStore[] = L"reading the driver store";
std::wstring Opening(const std::wstring& path);
std::wstring Reading(const std::wstring& path);
std::wstring RemovingPackage(const std::wstring& infName);

} // namespace messages

} // namespace conferencebus
