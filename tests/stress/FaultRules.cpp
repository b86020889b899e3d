#include "FaultRules.h"

#include <cfgmgr32.h>

#include <algorithm>

namespace sweep {

namespace {

using Expect = std::function<void(const FaultSite&, Expectation&)>;

using seam::InvalidHandle;
constexpr std::uintptr_t Null = 0;

// Never swept, and allowed after a step that ends the workflow.
const std::vector<std::string> Releases = {
    "SetupDiDestroyDeviceInfoList", "SetupCloseInfFile", "FindClose",
    "CloseServiceHandle",           "CloseHandle",
};
// Calls that cannot fail or report nothing.
const std::vector<std::string> NotSwept = {"GetLocalTime", "VerSetConditionMask",
                                           "OutputDebugStringW", "PathStripPathW",
                                           "InstallHinfSectionW"};
// The log's calls, allowed after a step that ends the workflow.
const std::vector<std::string> LogCalls = {"CreateFileA", "SetFilePointerEx", "ReadFile",
                                           "WriteFile",   "SetEndOfFile",     "OutputDebugStringW"};

bool Contains(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

const Expect GoesOn = [](const FaultSite&, Expectation&) {};
const Expect Stops = [](const FaultSite&, Expectation& e) { e.Stop(); };
const Expect StopsSucceeding = [](const FaultSite&, Expectation& e) { e.StopSucceeding(); };
const Expect StopsAskingUser = [](const FaultSite&, Expectation& e) {
    e.Stop();
    e.mayFollowStop = {"MessageBoxW"};
};
const Expect LosesFileCopy = [](const FaultSite&, Expectation& e) { e.LoseFileCopy(); };
const Expect KeepsCleanLog = [](const FaultSite&, Expectation& e) { e.KeepCleanLog(); };
const Expect LosesInfPath = [](const FaultSite&, Expectation& e) { e.infPath.clear(); };
const Expect FailsWithoutInfPath = [](const FaultSite&, Expectation& e) {
    e.infPath.clear();
    e.FailLater();
};
const Expect RegistersAnother = [](const FaultSite&, Expectation& e) { e.state.ourNodes = 2; };
const Expect OursStays = [](const FaultSite&, Expectation& e) { e.state.ourNodes = 1; };
const Expect ServiceStays = [](const FaultSite&, Expectation& e) { e.state.service = true; };
const Expect KeyStays = [](const FaultSite&, Expectation& e) { e.state.frameworkKey = true; };
const Expect FilesStay = [](const FaultSite&, Expectation& e) {
    e.state.driverFiles = PreparedSystem::PreparedState().driverFiles;
};
const Expect PackageStays = [](const FaultSite& site, Expectation& e) {
    e.state.stagedInfs.insert(seam::Unquoted(site.call.args.at(0)));
};
// The files the search had not returned are not examined.
const Expect SearchEnds = [](const FaultSite& site, Expectation& e) {
    const std::vector<std::wstring>& staged = PreparedSystem::StagedInfs();
    for (std::size_t i = site.nth; i < staged.size(); ++i) {
        if (PreparedSystem::IsOurs(staged[i])) {
            e.state.stagedInfs.insert(staged[i]);
        }
    }
};
const Expect FileStays = [](const FaultSite& site, Expectation& e) {
    const std::wstring path = seam::Unquoted(site.call.args.at(0));
    for (const std::wstring& file : PreparedSystem::PreparedState().driverFiles) {
        if (path.size() > file.size() &&
            path.compare(path.size() - file.size(), file.size(), file) == 0) {
            e.state.driverFiles.insert(file);
        }
    }
};

} // namespace

const std::vector<FaultRule> FaultTable = {
    // clang-format off
    // Version check 1 (major, minor, service pack) fails on Windows before 10, which counts
    // as success; check 2 (build) on an older Windows 10 build, where install also asks the
    // user. A failed WOW64 query is only logged.
    {Both, "IsWow64Process", 0, FALSE, ERROR_ACCESS_DENIED, GoesOn},
    {Both, "VerifyVersionInfoW", 1, FALSE, ERROR_OLD_WIN_VERSION, StopsSucceeding},
    {Install, "VerifyVersionInfoW", 2, FALSE, ERROR_OLD_WIN_VERSION, StopsAskingUser},
    {Remove, "VerifyVersionInfoW", 2, FALSE, ERROR_OLD_WIN_VERSION, Stops},
    // The INF path lookup only logs and leaves the path empty (a cut path is never used).
    // Without its INF path the driver installation fails, and with it the install.
    {Install, "GetModuleFileNameW", 0, 0, ERROR_NOT_ENOUGH_MEMORY, FailsWithoutInfPath, {"PathRemoveFileSpecW"}},
    {Install, "PathRemoveFileSpecW", 0, FALSE, ERROR_SUCCESS, FailsWithoutInfPath},
    {Remove, "GetModuleFileNameW", 0, 0, ERROR_NOT_ENOUGH_MEMORY, LosesInfPath, {"PathRemoveFileSpecW"}},
    {Remove, "PathRemoveFileSpecW", 0, FALSE, ERROR_SUCCESS, LosesInfPath},
    // Whatever keeps the presence check from seeing our node makes Install register a
    // second one. The check reads the PCI adapter's ids first, then ours.
    {Install, "SetupDiCreateDeviceInfoList", 0, InvalidHandle, ERROR_INVALID_CLASS, Stops},
    {Install, "SetupDiCreateDeviceInfoW", 0, FALSE, ERROR_DEVINST_ALREADY_EXISTS, Stops},
    {Install, "SetupDiSetDeviceRegistryPropertyW", 0, FALSE, ERROR_INVALID_REG_PROPERTY, Stops},
    {Install, "SetupDiGetClassDevsW", 0, InvalidHandle, ERROR_INVALID_CLASS, RegistersAnother},
    {Install, "SetupDiEnumDeviceInfo", 0, FALSE, ERROR_INVALID_HANDLE, RegistersAnother},
    {Both, "SetupDiGetDeviceRegistryPropertyW", 1, FALSE, ERROR_INSUFFICIENT_BUFFER, GoesOn},
    {Install, "SetupDiGetDeviceRegistryPropertyW", 2, FALSE, ERROR_INSUFFICIENT_BUFFER, RegistersAnother},
    {Install, "DiInstallDriverW", 0, FALSE, ERROR_NO_CATALOG_FOR_OEM_INF, Stops},
    // A device whose ids cannot be read is skipped (ours then stays); a node that cannot be
    // removed still counts as found, and the walk goes on.
    {Remove, "SetupDiGetClassDevsW", 0, InvalidHandle, ERROR_INVALID_CLASS, Stops},
    {Remove, "SetupDiEnumDeviceInfo", 0, FALSE, ERROR_INVALID_HANDLE, Stops},
    {Remove, "SetupDiGetDeviceRegistryPropertyW", 2, FALSE, ERROR_INSUFFICIENT_BUFFER, OursStays},
    {Remove, "SetupDiCallClassInstaller", 0, FALSE, ERROR_NO_SUCH_DEVINST, OursStays},
    // A file that cannot be read ends the walk and the workflow. Any failure ends the
    // search; a package that cannot be uninstalled stays, and the walk goes on.
    {Remove, "GetWindowsDirectoryW", 0, 0, ERROR_NOT_ENOUGH_MEMORY, Stops},
    {Remove, "PathAppendW", 0, FALSE, ERROR_FILENAME_EXCED_RANGE, Stops},
    {Remove, "FindFirstFileW", 0, InvalidHandle, ERROR_FILE_NOT_FOUND, Stops},
    {Remove, "FindNextFileW", 0, FALSE, ERROR_ACCESS_DENIED, SearchEnds},
    {Remove, "SetupOpenInfFileW", 0, InvalidHandle, ERROR_WRONG_INF_STYLE, Stops},
    {Remove, "SetupFindFirstLineW", 0, FALSE, ERROR_LINE_NOT_FOUND, Stops},
    {Remove, "SetupGetStringFieldW", 0, FALSE, ERROR_INSUFFICIENT_BUFFER, Stops},
    {Remove, "SetupUninstallOEMInfW", 0, FALSE, ERROR_INF_IN_USE_BY_DEVICES, PackageStays},
    // The rescan only logs, and the workflow goes on.
    {Both, "CM_Locate_DevNodeW", 0, CR_NO_SUCH_DEVNODE, ERROR_SUCCESS, GoesOn, {"CM_Reenumerate_DevNode"}},
    {Both, "CM_Reenumerate_DevNode", 0, CR_ACCESS_DENIED, ERROR_SUCCESS, GoesOn},
    // The cleanup is best effort: each step logs its failure and the next one runs, the
    // stop and the delete independent of each other. The stop (first) and the delete
    // (second) each open the manager and the service. Without the system directory no file
    // path can be built: nothing is deleted relative to the current folder, and the files
    // stay. Deletions are neither checked nor logged.
    {Remove, "OpenSCManagerW", 1, Null, ERROR_ACCESS_DENIED, GoesOn, {"ControlService"}},
    {Remove, "OpenServiceW", 1, Null, ERROR_SERVICE_DOES_NOT_EXIST, GoesOn, {"ControlService"}},
    {Remove, "ControlService", 0, FALSE, ERROR_DEPENDENT_SERVICES_RUNNING, GoesOn},
    {Remove, "OpenSCManagerW", 2, Null, ERROR_ACCESS_DENIED, ServiceStays, {"OpenServiceW", "DeleteService"}},
    {Remove, "OpenServiceW", 2, Null, ERROR_SERVICE_DOES_NOT_EXIST, ServiceStays, {"DeleteService"}},
    {Remove, "DeleteService", 0, FALSE, ERROR_SERVICE_MARKED_FOR_DELETE, ServiceStays},
    {Remove, "SHDeleteKeyW", 0, ERROR_ACCESS_DENIED, ERROR_SUCCESS, KeyStays},
    {Remove, "GetSystemDirectoryW", 0, 0, ERROR_NOT_ENOUGH_MEMORY, FilesStay, {"DeleteFileW"}},
    {Remove, "DeleteFileW", 0, FALSE, ERROR_ACCESS_DENIED, FileStays},
    // The log writes each message with one exclusive open, a look at the last byte for a
    // Ctrl-Z, a seek to the end, one write and a close. A message that cannot be opened or
    // written is missing from the file only; the look and the seeks change nothing.
    {Both, "CreateFileA", 0, InvalidHandle, ERROR_SHARING_VIOLATION, LosesFileCopy},
    {Both, "WriteFile", 0, FALSE, ERROR_DISK_FULL, LosesFileCopy},
    {Both, "SetFilePointerEx", 0, FALSE, ERROR_NEGATIVE_SEEK, KeepsCleanLog},
    {Both, "ReadFile", 0, FALSE, ERROR_READ_FAULT, KeepsCleanLog},
    // clang-format on
};

bool IsSwept(const std::string& function) {
    return !Contains(Releases, function) && !Contains(NotSwept, function);
}

bool IsLogOrRelease(const std::string& function) {
    return Contains(Releases, function) || Contains(LogCalls, function);
}

const FaultRule* FindRule(Workflow workflow, const FaultSite& site) {
    for (const FaultRule& rule : FaultTable) {
        if ((rule.workflows & workflow) && site.call.function == rule.function &&
            (rule.nth == 0 || rule.nth == site.nth)) {
            return &rule;
        }
    }
    return nullptr;
}

} // namespace sweep
