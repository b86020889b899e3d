#include "FaultRules.h"

#include <cfgmgr32.h>

#include <algorithm>
#include <initializer_list>

namespace sweep {

namespace {

using setuptest::operator+;
using Rules = std::vector<FaultRule>;
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

Rules Join(std::initializer_list<Rules> parts) {
    Rules all;
    for (const Rules& part : parts) {
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

Expect Stops(const Lines& lines) {
    return [lines](const FaultSite&, Expectation& e) { e.Stop(lines); };
}

Expect ReplacesNext(const std::wstring& line) {
    return [line](const FaultSite&, Expectation& e) { e.Replace(1, {line}); };
}

Expect ReplacesNothing(const std::wstring& line) {
    return [line](const FaultSite&, Expectation& e) { e.Replace(0, {line}); };
}

// The log writes each message with one exclusive open, a look at the last byte for a
// Ctrl-Z, a seek to the end, one write and a close. A message that cannot be opened or
// written is missing from the file only; the look and the seeks change nothing.
Rules LogRules() {
    const Expect loses = [](const FaultSite&, Expectation& e) { e.LoseFileCopy(); };
    const Expect keeps = [](const FaultSite&, Expectation&) {};
    return {
        {"CreateFileA", {}, InvalidHandle, ERROR_SHARING_VIOLATION, loses},
        {"WriteFile", {}, FALSE, ERROR_DISK_FULL, loses},
        {"SetFilePointerEx", {}, FALSE, ERROR_NEGATIVE_SEEK, keeps},
        {"ReadFile", {}, FALSE, ERROR_READ_FAULT, keeps},
    };
}

// Version check 1 fails on Windows before 10, which counts as success; check 2 on an
// older Windows 10 build. A failed WOW64 query is only logged.
Rules VersionRules(const std::wstring& workflow, bool asksUser) {
    return {
        {"IsWow64Process",
         {},
         FALSE,
         ERROR_ACCESS_DENIED,
         ReplacesNothing(L"IDDSetupActions::" + workflow + L" IsWow64Process failed 5\n")},
        {"VerifyVersionInfoW", ArgumentIs(1, L"35"), FALSE, ERROR_OLD_WIN_VERSION,
         [workflow](const FaultSite&, Expectation& e) {
             e.StopSucceeding(
                 {L"IDDSetupActions::" + workflow + L" failed! Windows version not supported.\n"});
         }},
        {"VerifyVersionInfoW", ArgumentIs(1, L"4"), FALSE, ERROR_OLD_WIN_VERSION,
         [workflow, asksUser](const FaultSite&, Expectation& e) {
             e.Stop({L"IDDSetupActions::" + workflow +
                     L" failed! Windows 10 version not supported\n"});
             if (asksUser) {
                 e.mayFollowStop = {"MessageBoxW"};
             }
         }},
    };
}

// The INF path lookup only logs; the configuration then lists an empty path, and
// `consequence` says what the workflow makes of that.
Rules InfPathRules(const std::function<void(Expectation&)>& consequence) {
    auto lookupFails = [consequence](const wchar_t* line, bool pathNotRead) -> Expect {
        return [=](const FaultSite&, Expectation& e) {
            e.Replace(0, {line});
            e.Substitute(setuptest::Configuration(e.infPath), setuptest::Configuration(L""));
            e.infPath.clear();
            if (pathNotRead) {
                e.notCalledAfter = {"PathRemoveFileSpecW"};
            }
            consequence(e);
        };
    };
    return {
        {"GetModuleFileNameW",
         {},
         0,
         ERROR_NOT_ENOUGH_MEMORY,
         lookupFails(L"IDDUtilities::GetInfFilePath  GetFullPathName failed 8\n", true)},
        // It sets no code of its own: the message shows whatever the thread holds.
        {"PathRemoveFileSpecW",
         {},
         FALSE,
         ERROR_SUCCESS,
         lookupFails(L"IDDUtilities::GetInfFilePath  GetFullPathName failed 0\n", false)},
    };
}

// The rescan only logs, without a code, and the workflow goes on.
Rules RescanRules() {
    return {
        {"CM_Locate_DevNodeW",
         {},
         CR_NO_SUCH_DEVNODE,
         ERROR_SUCCESS,
         [](const FaultSite&, Expectation& e) {
             e.Replace(0, {L"IDDUtilities::ScanForHardwareChanges CM_Locate_DevNode failed\n"});
             e.notCalledAfter = {"CM_Reenumerate_DevNode"};
         }},
        {"CM_Reenumerate_DevNode",
         {},
         CR_ACCESS_DENIED,
         ERROR_SUCCESS,
         [](const FaultSite&, Expectation& e) {
             e.Replace(0,
                       {L"IDDUtilities::ScanForHardwareChanges CM_Reenumerate_DevNode failed\n"});
         }},
    };
}

// Whatever keeps the presence check from seeing our node makes Install register a
// second one.
void RegistersAnother(Expectation& e, const Lines& lines) {
    e.ReplaceThrough(NodeDetected, lines + Lines{setuptest::RegisterSuccess});
    e.state.ourNodes = 2;
}

Rules DeviceCreationRules() {
    const std::wstring readFailed =
        L"IDDDeviceInfoSet::PrivateDetectDeviceNode SetupDiGetDeviceRegistryProperty failed 122\n";
    return {
        {"SetupDiCreateDeviceInfoList",
         {},
         InvalidHandle,
         ERROR_INVALID_CLASS,
         Stops({L"IDDDeviceInfoSet::CreateDeviceNode SetupDiCreateDeviceInfoList failed "
                L"-536870394\n",
                L"IDDSetupActions::Install DeviceInfoSet.CreateDeviceNode failed -536870394\n"})},
        {"SetupDiCreateDeviceInfoW",
         {},
         FALSE,
         ERROR_DEVINST_ALREADY_EXISTS,
         Stops({L"IDDDeviceInfoSet::CreateDeviceNode SetupDiCreateDeviceInfo failed -536870393\n",
                L"IDDSetupActions::Install DeviceInfoSet.CreateDeviceNode failed -536870393\n"})},
        {"SetupDiSetDeviceRegistryPropertyW",
         {},
         FALSE,
         ERROR_INVALID_REG_PROPERTY,
         Stops({L"IDDDeviceInfoSet::CreateDeviceNode SetupDiSetDeviceRegistryProperty failed "
                L"-536870391\n",
                L"IDDSetupActions::Install DeviceInfoSet.CreateDeviceNode failed -536870391\n"})},
        {"SetupDiGetClassDevsW",
         {},
         InvalidHandle,
         ERROR_INVALID_CLASS,
         [](const FaultSite&, Expectation& e) {
             RegistersAnother(e, {L"IDDDeviceInfoSet::PrivateDetectDeviceNode SetupDiGetClassDevs "
                                  L"failed -536870394\n"});
         }},
        {"SetupDiEnumDeviceInfo",
         {},
         FALSE,
         ERROR_INVALID_HANDLE,
         [](const FaultSite&, Expectation& e) { RegistersAnother(e, {}); }},
        // A device whose ids cannot be read is skipped; when it is ours, nothing is seen.
        {"SetupDiGetDeviceRegistryPropertyW",
         {},
         FALSE,
         ERROR_INSUFFICIENT_BUFFER,
         [readFailed](const FaultSite&, Expectation& e) {
             const std::wstring seesOurs =
                 setuptest::CurrentHwids(L"PrivateDetectDeviceNode", {setuptest::OurHardwareId})
                     .at(0);
             if (e.Next() == seesOurs) {
                 RegistersAnother(e, {readFailed});
             } else {
                 e.Replace(1, {readFailed});
             }
         }},
        {"DiInstallDriverW",
         {},
         FALSE,
         ERROR_NO_CATALOG_FOR_OEM_INF,
         Stops({L"IDDSetupActions::Install DiInstallDriver failed -536870353\n"})},
    };
}

Rules DeviceRemovalRules() {
    return {
        {"SetupDiGetClassDevsW",
         {},
         InvalidHandle,
         ERROR_INVALID_CLASS,
         Stops({L"IDDDeviceInfoSet::RemoveDeviceNode SetupDiGetClassDevs failed -536870394\n",
                L"IDDSetupActions::Uninstall DeviceInfoSet.RemoveDeviceNode failed -536870394\n"})},
        {"SetupDiEnumDeviceInfo",
         {},
         FALSE,
         ERROR_INVALID_HANDLE,
         Stops({L"IDDDeviceInfoSet::RemoveDeviceNode SetupDiEnumDeviceInfo failed 6\n",
                L"IDDSetupActions::Uninstall DeviceInfoSet.RemoveDeviceNode failed 6\n"})},
        // A device whose ids cannot be read is skipped; when it is ours, it stays and
        // none is found.
        {"SetupDiGetDeviceRegistryPropertyW",
         {},
         FALSE,
         ERROR_INSUFFICIENT_BUFFER,
         [](const FaultSite&, Expectation& e) {
             const bool ours = e.Next() == RemovalSeesOurs();
             e.Replace(ours ? 2 : 1, {L"IDDDeviceInfoSet::RemoveDeviceNode "
                                      L"SetupDiGetDeviceRegistryProperty (1) failed 122\n"});
             if (ours) {
                 e.InsertAfter(NoMoreItems, {NoInstanceFound});
                 e.state.ourNodes = 1;
             }
         }},
        // A node that cannot be removed still counts as found; the walk goes on.
        {"SetupDiCallClassInstaller",
         {},
         FALSE,
         ERROR_NO_SUCH_DEVINST,
         [](const FaultSite&, Expectation& e) {
             e.Replace(1, {L"IDDDeviceInfoSet::RemoveDeviceNode SetupDiGetDeviceRegistryProperty "
                           L"(4) failed -536870389\n"});
             e.state.ourNodes = 1;
         }},
    };
}

std::wstring PackagesFailed(const wchar_t* code) {
    return L"IDDSetupActions::Uninstall DeviceInfoSet.RemoveDeviceOemInf failed " +
           std::wstring(code) + L"\n";
}

// A file that cannot be read ends the walk and the workflow.
Expect UnreadableInf(const wchar_t* line, const wchar_t* code) {
    return Stops({line,
                  L"IDDDeviceInfoSet::RemoveDriverOemInf PrivateValidateDriverOemInfFile failed\n",
                  PackagesFailed(code)});
}

Rules PackageRemovalRules() {
    return {
        {"GetWindowsDirectoryW",
         {},
         0,
         ERROR_NOT_ENOUGH_MEMORY,
         Stops({L"IDDDeviceInfoSet::RemoveDriverOemInf GetWindowsDirectory failed 8\n",
                PackagesFailed(L"8")})},
        {"PathAppendW", ArgumentIs(1, L"\"INF\""), FALSE, ERROR_FILENAME_EXCED_RANGE,
         Stops({L"IDDDeviceInfoSet::RemoveDriverOemInf PathAppendW1 failed 206\n",
                PackagesFailed(L"206")})},
        {"PathAppendW", ArgumentIs(1, L"\"OEM*.INF\""), FALSE, ERROR_FILENAME_EXCED_RANGE,
         Stops({L"IDDDeviceInfoSet::RemoveDriverOemInf PathAppendW2 failed 206\n",
                PackagesFailed(L"206")})},
        {"FindFirstFileW",
         {},
         InvalidHandle,
         ERROR_FILE_NOT_FOUND,
         Stops({L"IDDDeviceInfoSet::RemoveDriverOemInf FindFirstFileW failed 2\n",
                PackagesFailed(L"2")})},
        // Any failure ends the search: the files it had not returned are not examined.
        {"FindNextFileW",
         {},
         FALSE,
         ERROR_ACCESS_DENIED,
         [](const FaultSite& site, Expectation& e) {
             const std::vector<std::wstring>& staged = PreparedSystem::StagedInfs();
             for (std::size_t i = site.nth; i < staged.size(); ++i) {
                 e.DropLinesNaming(staged[i]);
                 if (PreparedSystem::IsOurs(staged[i])) {
                     e.state.stagedInfs.insert(staged[i]);
                 }
             }
         }},
        {"SetupOpenInfFileW",
         {},
         InvalidHandle,
         ERROR_WRONG_INF_STYLE,
         UnreadableInf(L"IDDDeviceInfoSet::PrivateValidateDriverOemInfFile SetupOpenInfFile "
                       L"failed -536870656\n",
                       L"-536870656")},
        {"SetupFindFirstLineW",
         {},
         FALSE,
         ERROR_LINE_NOT_FOUND,
         UnreadableInf(L"IDDDeviceInfoSet::SetupFindFirstLine SetupOpenInfFile failed -536870654\n",
                       L"-536870654")},
        {"SetupGetStringFieldW",
         {},
         FALSE,
         ERROR_INSUFFICIENT_BUFFER,
         UnreadableInf(L"IDDDeviceInfoSet::SetupGetStringField SetupOpenInfFile failed 122\n",
                       L"122")},
        // A package that cannot be uninstalled stays, and the walk goes on.
        {"SetupUninstallOEMInfW",
         {},
         FALSE,
         ERROR_INF_IN_USE_BY_DEVICES,
         [](const FaultSite& site, Expectation& e) {
             const std::wstring file = seam::Unquoted(site.call.args.at(0));
             e.Replace(0,
                       {L"IDDDeviceInfoSet::RemoveDriverOemInf SetupUninstallOEMInf failed "
                        L"-536870339\n",
                        L"IDDDeviceInfoSet::RemoveDriverOemInf Removing " + file + L" failed\n"});
             e.state.stagedInfs.insert(file);
         }},
    };
}

// The cleanup is best effort: each step logs its failure and the next one runs. The
// stop (first) and the delete (second) each open the manager and the service.
Rules CleanupRules() {
    const std::wstring noManager =
        L"IDDUtilities::PrivateServiceHandleGet  OpenSCManager failed 5\n";
    const std::wstring noService =
        L"IDDUtilities::PrivateServiceHandleGet  OpenService failed 1060\n";
    auto serviceStays = [](const std::wstring& line, std::vector<std::string> skipped) -> Expect {
        return [=](const FaultSite&, Expectation& e) {
            e.Replace(1, {line});
            e.state.service = true;
            e.notCalledAfter = skipped;
        };
    };
    auto notStopped = [](const std::wstring& line) -> Expect {
        return [=](const FaultSite&, Expectation& e) {
            e.Replace(1, {line});
            e.notCalledAfter = {"ControlService"};
        };
    };
    return {
        {"OpenSCManagerW", Nth(1), Null, ERROR_ACCESS_DENIED, notStopped(noManager)},
        {"OpenServiceW", Nth(1), Null, ERROR_SERVICE_DOES_NOT_EXIST, notStopped(noService)},
        // The scripted failure leaves the status record unfilled: state 0.
        {"ControlService",
         {},
         FALSE,
         ERROR_DEPENDENT_SERVICES_RUNNING,
         ReplacesNext(L"IDDUtilities::ServiceStop ControlService failed 1051 Status:0\n")},
        {"OpenSCManagerW", Nth(2), Null, ERROR_ACCESS_DENIED,
         serviceStays(noManager, {"OpenServiceW", "DeleteService"})},
        {"OpenServiceW", Nth(2), Null, ERROR_SERVICE_DOES_NOT_EXIST,
         serviceStays(noService, {"DeleteService"})},
        {"DeleteService",
         {},
         FALSE,
         ERROR_SERVICE_MARKED_FOR_DELETE,
         serviceStays(L"IDDUtilities::ServiceDelete  DeleteService failed 1072\n", {})},
        // The returned status is logged, not the thread's last-error code.
        {"SHDeleteKeyW",
         {},
         ERROR_ACCESS_DENIED,
         ERROR_SUCCESS,
         [](const FaultSite&, Expectation& e) {
             e.Replace(0, {L"IDDSetupActions::PrivateCleanup SHDeleteKey failed! 5\n"});
             e.state.frameworkKey = true;
         }},
        // Without the system directory no file path can be built: the files stay.
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

const Rules& InstallRules() {
    static const Rules rules = Join({
        VersionRules(L"Install", true),
        InfPathRules([](Expectation& e) {
            e.FailFrom(DriverInstalled, {L"IDDSetupActions::Install DiInstallDriver failed 2\n"});
        }),
        DeviceCreationRules(),
        RescanRules(),
        LogRules(),
    });
    return rules;
}

const Rules& RemoveRules() {
    static const Rules rules = Join({
        VersionRules(L"Uninstall", false),
        InfPathRules([](Expectation&) {}),
        DeviceRemovalRules(),
        PackageRemovalRules(),
        RescanRules(),
        CleanupRules(),
        LogRules(),
    });
    return rules;
}

} // namespace

bool IsSwept(const std::string& function) {
    return !Contains(NotSwept, function);
}

bool IsLogOrRelease(const std::string& function) {
    return Contains(LogAndReleases, function);
}

const FaultRule* FindRule(Workflow workflow, const FaultSite& site) {
    const Rules& rules = workflow == Workflow::Install ? InstallRules() : RemoveRules();
    for (const FaultRule& rule : rules) {
        if (site.call.function == rule.function && (!rule.applies || rule.applies(site))) {
            return &rule;
        }
    }
    return nullptr;
}

} // namespace sweep
