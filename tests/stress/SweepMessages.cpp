#include "SweepMessages.h"

#include "PreparedSystem.h"

namespace sweep {

using setuptest::operator+;

const wchar_t SetupSuccess[] = L"DriverSetup _tmain: Setup Success!\n";
const wchar_t SetupFailed[] = L"DriverSetup _tmain:Exit Setup Failed\n";
const wchar_t NodeDetected[] =
    L"IDDDeviceInfoSet::CreateDeviceNode PrivateDetectDeviceNode device detected\n";
const wchar_t InstallNodeCreated[] =
    L"IDDSetupActions::Install DeviceInfoSet.CreateDeviceNode success\n";
const wchar_t DriverInstalled[] = L"IDDSetupActions::Install DiInstallDriver success\n";
const wchar_t NoMoreItems[] = L"IDDDeviceInfoSet::RemoveDeviceNode No more items\n";
const wchar_t NoInstanceFound[] = L"IDDDeviceInfoSet::RemoveDeviceNode No Device instance found\n";

std::wstring RemovalSeesOurs() {
    return setuptest::CurrentHwids(L"RemoveDeviceNode", {setuptest::OurHardwareId}).at(0);
}

std::wstring RemovalFoundOurs() {
    return L"IDDDeviceInfoSet::RemoveDeviceNode Found an instance = " +
           std::wstring(setuptest::OurHardwareId) + L" 1\n";
}

Lines Banner(const std::wstring& callLine) {
    return {L"\n====================================================\n", callLine};
}

Lines CleanInstall(const Lines& banner, const std::wstring& infPath) {
    return banner +
           Lines{
               L"DriverSetup _tmain: Installing device and driver...\n",
               L"DriverSetup _tmain: Uninstall previous device and driver first...\n",
               setuptest::InstallBegin,
               setuptest::Configuration(infPath),
           } +
           setuptest::CreateNodeUntilDetection({PciDisplay, setuptest::OurHardwareId}) +
           Lines{
               NodeDetected,    InstallNodeCreated,
               DriverInstalled, L"IDDSetupActions::Install Install Process Finished\n",
               SetupSuccess,
           };
}

Lines CleanRemove(const Lines& banner, const std::wstring& infPath,
                  const std::wstring& infDirectory) {
    auto removing = [](const wchar_t* file) {
        return L"IDDDeviceInfoSet::RemoveDriverOemInf Removing " + std::wstring(file) + L"\n";
    };
    return banner +
           Lines{
               L"DriverSetup _tmain: Removing device and driver...\n",
               setuptest::UninstallBegin,
               setuptest::Configuration(infPath),
               L"IDDDeviceInfoSet::RemoveDeviceNode SetupDiGetClassDevs success\n",
               L"IDDDeviceInfoSet::RemoveDeviceNode Find device instance/s...\n",
           } +
           setuptest::CurrentHwids(L"RemoveDeviceNode", {PciDisplay}) +
           Lines{
               RemovalSeesOurs(),
               RemovalFoundOurs(),
               NoMoreItems,
               setuptest::UninstallNodesRemoved,
               setuptest::OemInfMatched(infDirectory + L"\\oem1.inf"),
               removing(L"oem1.inf"),
               setuptest::OemInfDidNotMatch(infDirectory + L"\\oem2.inf"),
               setuptest::OemInfMatched(infDirectory + L"\\oem3.inf"),
               removing(L"oem3.inf"),
               setuptest::UninstallPackagesRemoved,
               L"IDDUtilities::ServiceStop\n",
               L"Service stopped successfully\n",
               L"Service deleted successfully\n",
               L"IDDSetupActions::PrivateCleanup Removing file and registry entry\n",
               setuptest::UninstallFinished,
               SetupSuccess,
           };
}

} // namespace sweep
