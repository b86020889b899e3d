#include "Messages.h"

namespace setuptest {

Lines operator+(Lines first, const Lines& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

const wchar_t DefaultInfPath[] = L"C:\\Program Files\\Talvoren\\TalvorenDisplay.inf";

const wchar_t InstallBegin[] = L"IDDSetupActions::Install Begin Install Process...\n";
const wchar_t InstallBeforeWindows10[] =
    L"IDDSetupActions::Install failed! Windows version not supported.\n";
const wchar_t UninstallBegin[] = L"IDDSetupActions::Uninstall Begin Uninstall Process...\n";
const wchar_t UninstallBeforeWindows10[] =
    L"IDDSetupActions::Uninstall failed! Windows version not supported.\n";
const wchar_t UninstallNodesRemoved[] =
    L"IDDSetupActions::Uninstall DeviceInfoSet.RemoveDeviceNode success\n";
const wchar_t UninstallPackagesRemoved[] =
    L"IDDSetupActions::Uninstall DeviceInfoSet.RemoveDeviceOemInf success\n";
const wchar_t UninstallFinished[] = L"IDDSetupActions::Uninstall Uninstall Process Finished\n";
const wchar_t RegisterSuccess[] =
    L"IDDDeviceInfoSet::CreateDeviceNode SetupDiCallClassInstaller success\n";

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

Lines RemoveNodeFindingNone(const Lines& seen) {
    return Lines{
               L"IDDDeviceInfoSet::RemoveDeviceNode SetupDiGetClassDevs success\n",
               L"IDDDeviceInfoSet::RemoveDeviceNode Find device instance/s...\n",
           } +
           CurrentHwids(L"RemoveDeviceNode", seen) +
           Lines{
               L"IDDDeviceInfoSet::RemoveDeviceNode No more items\n",
               L"IDDDeviceInfoSet::RemoveDeviceNode No Device instance found\n",
           };
}

std::wstring OemInfMatched(const std::wstring& path) {
    return L"IDDDeviceInfoSet::RemoveDriverOemInf PrivateValidateDriverOemInfFile " + path +
           L" \"Display\" and \"Talvoren\" matched\n";
}

std::wstring OemInfDidNotMatch(const std::wstring& path) {
    return L"IDDDeviceInfoSet::RemoveDriverOemInf PrivateValidateDriverOemInfFile " + path +
           L" didn't match\n";
}

Lines UninstallFindingNothing(const std::wstring& infDirectory, const Lines& afterPackages) {
    return Lines{UninstallBegin, Configuration()} + RemoveNodeFindingNone({}) +
           Lines{UninstallNodesRemoved, OemInfDidNotMatch(infDirectory + L"\\oem1.inf"),
                 UninstallPackagesRemoved} +
           afterPackages + Lines{UninstallFinished};
}

Lines CleanupWithoutServiceOrKey() {
    return {
        L"IDDUtilities::ServiceStop\n",
        L"IDDUtilities::PrivateServiceHandleGet  OpenService failed 1060\n",
        L"IDDUtilities::PrivateServiceHandleGet  OpenService failed 1060\n",
        L"IDDSetupActions::PrivateCleanup Removing file and registry entry\n",
        L"IDDSetupActions::PrivateCleanup SHDeleteKey failed! 2\n",
    };
}

} // namespace setuptest
