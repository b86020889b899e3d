#include "HandleLedger.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace testsupport {

namespace {

struct HandleKind {
    const char* open;
    const char* release;
};

const HandleKind Kinds[] = {
    {"SetupDiCreateDeviceInfoList", "SetupDiDestroyDeviceInfoList"},
    {"SetupDiGetClassDevsW", "SetupDiDestroyDeviceInfoList"},
    {"SetupOpenInfFileW", "SetupCloseInfFile"},
    {"FindFirstFileW", "FindClose"},
    {"OpenSCManagerW", "CloseServiceHandle"},
    {"OpenServiceW", "CloseServiceHandle"},
    {"CreateFileA", "CloseHandle"},
    {"CreateFileW", "CloseHandle"},
};

bool IsRelease(const std::string& function) {
    for (const HandleKind& kind : Kinds) {
        if (function == kind.release) {
            return true;
        }
    }
    return false;
}

} // namespace

void ExpectEveryHandleReleased(const std::vector<seam::Call>& calls) {
    const std::wstring invalid = seam::Describe(INVALID_HANDLE_VALUE);
    // The handles open, by releasing call and value, with the call that opened each. A
    // value may come back once it has been released.
    std::map<std::pair<std::string, std::wstring>, std::string> open;
    for (const seam::Call& call : calls) {
        for (const HandleKind& kind : Kinds) {
            // A call that threw recorded no result and returned no handle.
            if (call.function == kind.open && call.result != invalid && call.result != L"null" &&
                !call.result.empty()) {
                const bool fresh =
                    open.emplace(std::make_pair(kind.release, call.result), kind.open).second;
                EXPECT_TRUE(fresh)
                    << kind.open
                    << " returned a handle still open: " << testing::PrintToString(call.result);
            }
        }
        if (IsRelease(call.function)) {
            const auto released = open.find({call.function, call.args.at(0)});
            // CloseHandle also takes the test framework's own thread handles.
            if (released == open.end() && call.function != "CloseHandle") {
                ADD_FAILURE() << call.function << " of a handle not open: "
                              << testing::PrintToString(call.args.at(0));
            } else if (released != open.end()) {
                open.erase(released);
            }
        }
    }
    for (const auto& [handle, opener] : open) {
        ADD_FAILURE() << "a handle from " << opener << " was never released by " << handle.first;
    }
}

} // namespace testsupport
