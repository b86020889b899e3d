#include "LogTexts.h"

#include "KitFacts.h"

#include <fstream>
#include <iterator>

namespace logtext {

Lines operator+(Lines first, const Lines& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

std::string FileBytes(const Lines& messages) {
    std::string bytes;
    for (const std::wstring& message : messages) {
        for (const wchar_t c : message) {
            bytes += c == L'\n' ? std::string("\r\n") : std::string(1, static_cast<char>(c));
        }
    }
    return bytes;
}

std::string ReadLogFile() {
    std::ifstream file(kit::LogPathBytes, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

const wchar_t DefaultInfPath[] = L"C:\\Program Files\\Talvoren\\TalvorenDisplay.inf";

const wchar_t WrongAction[] =
    L"DriverSetup _tmain: Wrong action arguments \"install\" or \"remove\" \n";
const wchar_t SetupSuccess[] = L"DriverSetup _tmain: Setup Success!\n";
const wchar_t SetupFailed[] = L"DriverSetup _tmain:Exit Setup Failed\n";

const wchar_t InstallBegin[] = L"IDDSetupActions::Install Begin Install Process...\n";
const wchar_t InstallBeforeWindows10[] =
    L"IDDSetupActions::Install failed! Windows version not supported.\n";
const wchar_t InstallBeforeBuild14393[] =
    L"IDDSetupActions::Install failed! Windows 10 version not supported\n";
const wchar_t NodeDetected[] =
    L"IDDDeviceInfoSet::CreateDeviceNode PrivateDetectDeviceNode device detected\n";
const wchar_t RegisterSuccess[] =
    L"IDDDeviceInfoSet::CreateDeviceNode SetupDiCallClassInstaller success\n";
const wchar_t InstallNodeCreated[] =
    L"IDDSetupActions::Install DeviceInfoSet.CreateDeviceNode success\n";
const wchar_t DriverInstalled[] = L"IDDSetupActions::Install DiInstallDriver success\n";
const wchar_t InstallFinished[] = L"IDDSetupActions::Install Install Process Finished\n";
const wchar_t RescanNotLocated[] =
    L"IDDUtilities::ScanForHardwareChanges CM_Locate_DevNode failed\n";

const wchar_t UninstallBegin[] = L"IDDSetupActions::Uninstall Begin Uninstall Process...\n";
const wchar_t UninstallBeforeWindows10[] =
    L"IDDSetupActions::Uninstall failed! Windows version not supported.\n";
const wchar_t UninstallBeforeBuild14393[] =
    L"IDDSetupActions::Uninstall failed! Windows 10 version not supported\n";
const wchar_t NoMoreItems[] = L"IDDDeviceInfoSet::RemoveDeviceNode No more items\n";
const wchar_t NoInstanceFound[] = L"IDDDeviceInfoSet::RemoveDeviceNode No Device instance found\n";
const wchar_t UninstallNodesRemoved[] =
    L"IDDSetupActions::Uninstall DeviceInfoSet.RemoveDeviceNode success\n";
const wchar_t UninstallPackagesRemoved[] =
    L"IDDSetupActions::Uninstall DeviceInfoSet.RemoveDeviceOemInf success\n";
const wchar_t UninstallPackagesNotFound[] =
    L"IDDSetupActions::Uninstall DeviceInfoSet.RemoveDeviceOemInf failed 2\n";
const wchar_t UninstallFinished[] = L"IDDSetupActions::Uninstall Uninstall Process Finished\n";

const wchar_t ServiceStopEntry[] = L"IDDUtilities::ServiceStop\n";
const wchar_t ServiceStopped[] = L"Service stopped successfully\n";
const wchar_t ServiceNotRunning[] =
    L"IDDUtilities::ServiceStop ControlService failed 1062 Status:1\n";
const wchar_t NoSuchService[] = L"IDDUtilities::PrivateServiceHandleGet  OpenService failed 1060\n";
const wchar_t ServiceDeleted[] = L"Service deleted successfully\n";

Lines Banner(const std::wstring& callLine) {
    return {L"\n====================================================\n", callLine};
}

Lines Installing() {
    return {L"DriverSetup _tmain: Installing device and driver...\n",
            L"DriverSetup _tmain: Uninstall previous device and driver first...\n"};
}

Lines Removing() {
    return {L"DriverSetup _tmain: Removing device and driver...\n"};
}

Lines InstallBeforeWindows10Run() {
    return Installing() + Lines{InstallBegin, InstallBeforeWindows10, SetupSuccess};
}

Lines UninstallBeforeWindows10Run() {
    return Removing() + Lines{UninstallBegin, UninstallBeforeWindows10, SetupSuccess};
}

std::wstring Configuration(const std::wstring& infPath) {
    return L"IDDSetupActions::PrivateInitializeGlobals:            \n"
           L" --TalvorenDisplay.inf\n"
           L" --Root\\VID_TALVOREN_VIRTUAL_DISPLAY_0001\n"
           L" --{4D36E968-E325-11CE-BFC1-08002BE10318}\n"
           L" --Display\n"
           L" --" +
           infPath + L"\n";
}

Lines CurrentHwids(const wchar_t* operation, const Lines& ids) {
    Lines lines;
    for (const std::wstring& id : ids) {
        lines.push_back(L"IDDDeviceInfoSet::" + std::wstring(operation) + L" Current HWID = " + id +
                        L"\n");
    }
    return lines;
}

Lines CreateNodeUntilDetection(const Lines& seen) {
    return Lines{
               L"IDDDeviceInfoSet::CreateDeviceNode SetupDiCreateDeviceInfoList success\n",
               L"IDDDeviceInfoSet::CreateDeviceNode SetupDiCreateDeviceInfo success\n",
               L"IDDDeviceInfoSet::CreateDeviceNode SetupDiSetDeviceRegistryProperty success\n",
           } +
           CurrentHwids(L"PrivateDetectDeviceNode", seen);
}

Lines RemoveNodeStart() {
    return {L"IDDDeviceInfoSet::RemoveDeviceNode SetupDiGetClassDevs success\n",
            L"IDDDeviceInfoSet::RemoveDeviceNode Find device instance/s...\n"};
}

std::wstring RemovalFound(int count) {
    return L"IDDDeviceInfoSet::RemoveDeviceNode Found an instance = "
           L"Root\\VID_TALVOREN_VIRTUAL_DISPLAY_0001 " +
           std::to_wstring(count) + L"\n";
}

Lines RemoveNodeFindingNone(const Lines& seen) {
    return RemoveNodeStart() + CurrentHwids(L"RemoveDeviceNode", seen) +
           Lines{NoMoreItems, NoInstanceFound};
}

std::wstring OemInfMatched(const std::wstring& path) {
    return L"IDDDeviceInfoSet::RemoveDriverOemInf PrivateValidateDriverOemInfFile " + path +
           L" \"Display\" and \"Talvoren\" matched\n";
}

std::wstring OemInfDidNotMatch(const std::wstring& path) {
    return L"IDDDeviceInfoSet::RemoveDriverOemInf PrivateValidateDriverOemInfFile " + path +
           L" didn't match\n";
}

std::wstring OemInfRemoving(const std::wstring& file) {
    return L"IDDDeviceInfoSet::RemoveDriverOemInf Removing " + file + L"\n";
}

Lines InstallFindingOurNode(const std::wstring& infPath, const Lines& seen, const Lines& rescan) {
    return Installing() + Lines{InstallBegin, Configuration(infPath)} +
           CreateNodeUntilDetection(seen) +
           Lines{NodeDetected, InstallNodeCreated, DriverInstalled} + rescan +
           Lines{InstallFinished, SetupSuccess};
}

Lines UninstallFindingNothing(const std::wstring& infDirectory, const Lines& afterPackages) {
    return Lines{UninstallBegin, Configuration()} + RemoveNodeFindingNone({}) +
           Lines{UninstallNodesRemoved, OemInfDidNotMatch(infDirectory + L"\\oem1.inf"),
                 UninstallPackagesRemoved} +
           afterPackages + Lines{UninstallFinished};
}

Lines CleanupWithoutServiceOrKey() {
    return {
        ServiceStopEntry,
        NoSuchService,
        NoSuchService,
        L"IDDSetupActions::PrivateCleanup Removing file and registry entry\n",
        L"IDDSetupActions::PrivateCleanup SHDeleteKey failed! 2\n",
    };
}

Lines CleanupOfService(bool running) {
    return {
        ServiceStopEntry,
        running ? ServiceStopped : ServiceNotRunning,
        ServiceDeleted,
        L"IDDSetupActions::PrivateCleanup Removing file and registry entry\n",
    };
}

} // namespace logtext
