#include "FlagWords.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <mutex>
#include <utility>
#include <vector>

namespace setuptest {
namespace {

struct Logged {
    std::mutex lock;
    std::vector<std::pair<DWORD, std::wstring>> messages; // flag word, format
};

Logged& LoggedMessages() {
    static Logged logged;
    return logged;
}

} // namespace

DWORD ExpectedFlagWord(const std::wstring& format) {
    const auto startsWith = [&](const wchar_t* text) { return format.rfind(text, 0) == 0; };
    const auto contains = [&](const wchar_t* text) {
        return format.find(text) != std::wstring::npos;
    };
    const DWORD error = 0x1000, info = 0x2000, actions = 0x6000, device = 0x12000;

    if (startsWith(L"\n=====") || startsWith(L"Call: ")) {
        return info; // the banner
    }
    // The package removal's per-file failures are progress of its walk, not errors.
    if (startsWith(L"IDDDeviceInfoSet::RemoveDriverOemInf SetupUninstallOEMInf failed") ||
        startsWith(L"IDDDeviceInfoSet::RemoveDriverOemInf Removing %s failed")) {
        return device;
    }
    // Failures and refusals; every message of the service helpers, their success lines
    // included; and the detection of a present device.
    if (contains(L" failed") || contains(L"Failed") || contains(L"Wrong action") ||
        startsWith(L"IDDUtilities::") || startsWith(L"Service ") || contains(L"device detected")) {
        return error;
    }
    if (startsWith(L"DriverSetup _tmain: ") || startsWith(L"IDDSetupActions::")) {
        return actions;
    }
    if (startsWith(L"IDDDeviceInfoSet::")) {
        return device;
    }
    return 0;
}

void CheckFlagWordsOfLoggedMessages() {
    auto& logged = LoggedMessages();
    std::lock_guard<std::mutex> guard(logged.lock);
    for (const auto& [flags, format] : logged.messages) {
        const DWORD expected = ExpectedFlagWord(format);
        EXPECT_NE(expected, 0u) << "not a message of the program: "
                                << testing::PrintToString(format);
        EXPECT_EQ(flags, expected) << "flag word of " << testing::PrintToString(format);
    }
    logged.messages.clear();
}

void ForgetLoggedMessages() {
    auto& logged = LoggedMessages();
    std::lock_guard<std::mutex> guard(logged.lock);
    logged.messages.clear();
}

} // namespace setuptest

// The link's --wrap sends the program's calls of LogMessageV here.
extern "C" void __real__Z11LogMessageVmPKwPc(DWORD flags, const wchar_t* format, va_list args);

extern "C" void __wrap__Z11LogMessageVmPKwPc(DWORD flags, const wchar_t* format, va_list args) {
    {
        auto& logged = setuptest::LoggedMessages();
        std::lock_guard<std::mutex> guard(logged.lock);
        logged.messages.emplace_back(flags, format);
    }
    __real__Z11LogMessageVmPKwPc(flags, format, args);
}
