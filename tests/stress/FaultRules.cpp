#include "FaultRules.h"

#include <cfgmgr32.h>

#include <algorithm>
#include <initializer_list>

namespace sweep {

namespace {

using RuleList = std::vector<FaultRule>;
using Expect = std::function<void(const FaultSite&, Expectation&)>;

constexpr std::uintptr_t InvalidHandle = ~std::uintptr_t{0};
constexpr std::uintptr_t Null = 0;

const std::vector<std::string> NotSwept = {
    "GetLocalTime",      "VerSetConditionMask", "OutputDebugStringW",
    "PathStripPathW",    "InstallHinfSectionW", "SetupDiDestroyDeviceInfoList",
    "SetupCloseInfFile", "FindClose",           "CloseServiceHandle",
    "CloseHandle",
};
const std::vector<std::string> LogAndReleases = {
    "CreateFileA",       "SetFilePointerEx", "ReadFile",           "WriteFile",
    "SetEndOfFile",      "CloseHandle",      "OutputDebugStringW", "SetupDiDestroyDeviceInfoList",
    "SetupCloseInfFile", "FindClose",        "CloseServiceHandle",
};

bool Contains(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

RuleList Join(std::initializer_list<RuleList> parts) {
    RuleList all;
    for (const RuleList& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

std::function<bool(const FaultSite&)> Nth(unsigned nth) {
    return [nth](const FaultSite& site) { return site.nth == nth; };
}

std::function<bool(const FaultSite&)> ArgumentIs(std::size_t index, std::wstring described) {
    return
        [index, described](const FaultSite& site) { return site.call.args.at(index) == described; };
}

const Expect Stops = [](const FaultSite&, Expectation& e) { e.Stop(); };
const Expect GoesOn = [](const FaultSite&, Expectation&) {};

Expect Skips(std::vector<std::string> skipped) {
    return [skipped](const FaultSite&, Expectation& e) { e.notCalledAfter = skipped; };
}

// The log writes each message with one exclusive open, a look at the last byte for a
// Ctrl-Z, a seek to the end, one write and a close. A message that cannot be opened or
// written is missing from the file only; the look and the seeks change nothing.
RuleList LogRules() {
    const Expect loses = [](const FaultSite&, Expectation& e) { e.LoseFileCopy(); };
    const Expect keeps = [](const FaultSite&, Expectation& e) { e.KeepCleanLog(); };
    return {
        {"CreateFileA", {}, InvalidHandle, ERROR_SHARING_VIOLATION, loses},
        {"WriteFile", {}, FALSE, ERROR_DISK_FULL, loses},
        {"SetFilePointerEx", {}, FALSE, ERROR_NEGATIVE_SEEK, keeps},
        {"ReadFile", {}, FALSE, ERROR_READ_FAULT, keeps},
    };
}

// Version check 1 fails on Windows before 10, which counts as success; check 2 on an
// older Windows 10 build. A failed WOW64 query is only logged.
RuleList VersionRules(bool asksUser) {
    return {
        {"IsWow64Process", {}, FALSE, ERROR_ACCESS_DENIED, GoesOn},
        {"VerifyVersionInfoW", ArgumentIs(1, L"35"), FALSE, ERROR_OLD_WIN_VERSION,
         [](const FaultSite&, Expectation& e) { e.StopSucceeding(); }},
        {"VerifyVersionInfoW", ArgumentIs(1, L"4"), FALSE, ERROR_OLD_WIN_VERSION,
         [asksUser](const FaultSite&, Expectation& e) {
             e.Stop();
             if (asksUser) {
                 e.mayFollowStop = {"MessageBoxW"};
             }
         }},
    };
}

// The INF path lookup only logs and leaves the path empty (a cut path is never used);
// `consequence` says what the workflow makes of that.
RuleList InfPathRules(const std::function<void(Expectation&)>& consequence) {
    auto lookupFails = [consequence](bool pathNotRead) -> Expect {
        return [=](const FaultSite&, Expectation& e) {
            e.infPath.clear();
            if (pathNotRead) {
                e.notCalledAfter = {"PathRemoveFileSpecW"};
            }
            consequence(e);
        };
    };
    return {
        {"GetModuleFileNameW", {}, 0, ERROR_NOT_ENOUGH_MEMORY, lookupFails(true)},
        {"PathRemoveFileSpecW", {}, FALSE, ERROR_SUCCESS, lookupFails(false)},
    };
}

// The rescan only logs, and the workflow goes on.
RuleList RescanRules() {
    return {
        {"CM_Locate_DevNodeW",
         {},
         CR_NO_SUCH_DEVNODE,
         ERROR_SUCCESS,
         Skips({"CM_Reenumerate_DevNode"})},
        {"CM_Reenumerate_DevNode", {}, CR_ACCESS_DENIED, ERROR_SUCCESS, GoesOn},
    };
}

// Whatever keeps the presence check from seeing our node makes Install register a
// second one. The check reads the PCI adapter's ids first, then ours.
const Expect RegistersAnother = [](const FaultSite&, Expectation& e) { e.state.ourNodes = 2; };

RuleList DeviceCreationRules() {
    return {
        {"SetupDiCreateDeviceInfoList", {}, InvalidHandle, ERROR_INVALID_CLASS, Stops},
        {"SetupDiCreateDeviceInfoW", {}, FALSE, ERROR_DEVINST_ALREADY_EXISTS, Stops},
        {"SetupDiSetDeviceRegistryPropertyW", {}, FALSE, ERROR_INVALID_REG_PROPERTY, Stops},
        {"SetupDiGetClassDevsW", {}, InvalidHandle, ERROR_INVALID_CLASS, RegistersAnother},
        {"SetupDiEnumDeviceInfo", {}, FALSE, ERROR_INVALID_HANDLE, RegistersAnother},
        {"SetupDiGetDeviceRegistryPropertyW", Nth(1), FALSE, ERROR_INSUFFICIENT_BUFFER, GoesOn},
        {"SetupDiGetDeviceRegistryPropertyW", Nth(2), FALSE, ERROR_INSUFFICIENT_BUFFER,
         RegistersAnother},
        {"DiInstallDriverW", {}, FALSE, ERROR_NO_CATALOG_FOR_OEM_INF, Stops},
    };
}

// A device whose ids cannot be read is skipped (ours then stays); a node that cannot be
// removed still counts as found, and the walk goes on.
RuleList DeviceRemovalRules() {
    const Expect oursStays = [](const FaultSite&, Expectation& e) { e.state.ourNodes = 1; };
    return {
        {"SetupDiGetClassDevsW", {}, InvalidHandle, ERROR_INVALID_CLASS, Stops},
        {"SetupDiEnumDeviceInfo", {}, FALSE, ERROR_INVALID_HANDLE, Stops},
        {"SetupDiGetDeviceRegistryPropertyW", Nth(1), FALSE, ERROR_INSUFFICIENT_BUFFER, GoesOn},
        {"SetupDiGetDeviceRegistryPropertyW", Nth(2), FALSE, ERROR_INSUFFICIENT_BUFFER, oursStays},
        {"SetupDiCallClassInstaller", {}, FALSE, ERROR_NO_SUCH_DEVINST, oursStays},
    };
}

// A file that cannot be read ends the walk and the workflow.
RuleList PackageRemovalRules() {
    return {
        {"GetWindowsDirectoryW", {}, 0, ERROR_NOT_ENOUGH_MEMORY, Stops},
        {"PathAppendW", ArgumentIs(1, L"\"INF\""), FALSE, ERROR_FILENAME_EXCED_RANGE, Stops},
        {"PathAppendW", ArgumentIs(1, L"\"OEM*.INF\""), FALSE, ERROR_FILENAME_EXCED_RANGE, Stops},
        {"FindFirstFileW", {}, InvalidHandle, ERROR_FILE_NOT_FOUND, Stops},
        // Any failure ends the search: the files it had not returned are not examined.
        {"FindNextFileW",
         {},
         FALSE,
         ERROR_ACCESS_DENIED,
         [](const FaultSite& site, Expectation& e) {
             const std::vector<std::wstring>& staged = PreparedSystem::StagedInfs();
             for (std::size_t i = site.nth; i < staged.size(); ++i) {
                 if (PreparedSystem::IsOurs(staged[i])) {
                     e.state.stagedInfs.insert(staged[i]);
                 }
             }
         }},
        {"SetupOpenInfFileW", {}, InvalidHandle, ERROR_WRONG_INF_STYLE, Stops},
        {"SetupFindFirstLineW", {}, FALSE, ERROR_LINE_NOT_FOUND, Stops},
        {"SetupGetStringFieldW", {}, FALSE, ERROR_INSUFFICIENT_BUFFER, Stops},
        // A package that cannot be uninstalled stays, and the walk goes on.
        {"SetupUninstallOEMInfW",
         {},
         FALSE,
         ERROR_INF_IN_USE_BY_DEVICES,
         [](const FaultSite& site, Expectation& e) {
             e.state.stagedInfs.insert(seam::Unquoted(site.call.args.at(0)));
         }},
    };
}

// The cleanup is best effort: each step logs its failure and the next one runs, the
// stop and the delete independent of each other. The stop (first) and the delete
// (second) each open the manager and the service.
RuleList CleanupRules() {
    auto serviceStays = [](std::vector<std::string> skipped) -> Expect {
        return [=](const FaultSite&, Expectation& e) {
            e.state.service = true;
            e.notCalledAfter = skipped;
        };
    };
    return {
        {"OpenSCManagerW", Nth(1), Null, ERROR_ACCESS_DENIED, Skips({"ControlService"})},
        {"OpenServiceW", Nth(1), Null, ERROR_SERVICE_DOES_NOT_EXIST, Skips({"ControlService"})},
        {"ControlService", {}, FALSE, ERROR_DEPENDENT_SERVICES_RUNNING, GoesOn},
        {"OpenSCManagerW", Nth(2), Null, ERROR_ACCESS_DENIED,
         serviceStays({"OpenServiceW", "DeleteService"})},
        {"OpenServiceW", Nth(2), Null, ERROR_SERVICE_DOES_NOT_EXIST,
         serviceStays({"DeleteService"})},
        {"DeleteService", {}, FALSE, ERROR_SERVICE_MARKED_FOR_DELETE, serviceStays({})},
        {"SHDeleteKeyW",
         {},
         ERROR_ACCESS_DENIED,
         ERROR_SUCCESS,
         [](const FaultSite&, Expectation& e) { e.state.frameworkKey = true; }},
        // Without the system directory no file path can be built: nothing is deleted
        // relative to the current folder, and the files stay.
        {"GetSystemDirectoryW",
         {},
         0,
         ERROR_NOT_ENOUGH_MEMORY,
         [](const FaultSite&, Expectation& e) {
             e.state.driverFiles = PreparedSystem::PreparedState().driverFiles;
             e.notCalledAfter = {"DeleteFileW"};
         }},
        // Deletions are neither checked nor logged.
        {"DeleteFileW",
         {},
         FALSE,
         ERROR_ACCESS_DENIED,
         [](const FaultSite& site, Expectation& e) {
             const std::wstring path = seam::Unquoted(site.call.args.at(0));
             for (const std::wstring& file : PreparedSystem::PreparedState().driverFiles) {
                 if (path.size() > file.size() &&
                     path.compare(path.size() - file.size(), file.size(), file) == 0) {
                     e.state.driverFiles.insert(file);
                 }
             }
         }},
    };
}

} // namespace

bool IsSwept(const std::string& function) {
    return !Contains(NotSwept, function);
}

bool IsLogOrRelease(const std::string& function) {
    return Contains(LogAndReleases, function);
}

const std::vector<FaultRule>& Rules(Workflow workflow) {
    // Without its INF path the driver installation fails, and with it the install.
    static const std::vector<FaultRule> install = Join({
        VersionRules(true),
        InfPathRules([](Expectation& e) { e.FailLater(); }),
        DeviceCreationRules(),
        RescanRules(),
        LogRules(),
    });
    static const std::vector<FaultRule> remove = Join({
        VersionRules(false),
        InfPathRules([](Expectation&) {}),
        DeviceRemovalRules(),
        PackageRemovalRules(),
        RescanRules(),
        CleanupRules(),
        LogRules(),
    });
    return workflow == Workflow::Install ? install : remove;
}

const FaultRule* FindRule(Workflow workflow, const FaultSite& site) {
    for (const FaultRule& rule : Rules(workflow)) {
        if (site.call.function == rule.function && (!rule.applies || rule.applies(site))) {
            return &rule;
        }
    }
    return nullptr;
}

} // namespace sweep
