#include "ExpectedLog.h"

std::string Crlf(const std::string& text) {
    std::string bytes;
    for (const char c : text) {
        if (c == '\n') {
            bytes += '\r';
        }
        bytes += c;
    }
    return bytes;
}

const char WineDisplayAdapter[] = "PCI\\VEN_0000&DEV_0000&SUBSYS_00000000&REV_00";

const char Banner[] = R"(
====================================================
Call: <time> Build: <build>
)";

const char Configuration[] = R"(IDDSetupActions::PrivateInitializeGlobals:            
 --TalvorenDisplay.inf
 --Root\VID_TALVOREN_VIRTUAL_DISPLAY_0001
 --{4D36E968-E325-11CE-BFC1-08002BE10318}
 --Display
 --C:\Talvoren Kit\TalvorenDisplay.inf
)";

std::string InstallRun(const std::vector<std::string>& listedIds) {
    std::string run = Banner + std::string(R"(DriverSetup _tmain: Installing device and driver...
DriverSetup _tmain: Uninstall previous device and driver first...
IDDSetupActions::Install Begin Install Process...
)") + Configuration + R"(IDDDeviceInfoSet::CreateDeviceNode SetupDiCreateDeviceInfoList success
IDDDeviceInfoSet::CreateDeviceNode SetupDiCreateDeviceInfo success
IDDDeviceInfoSet::CreateDeviceNode SetupDiSetDeviceRegistryProperty success
)";
    for (const std::string& id : listedIds) {
        run += "IDDDeviceInfoSet::PrivateDetectDeviceNode Current HWID = " + id + "\n";
    }
    return run + R"(IDDDeviceInfoSet::CreateDeviceNode PrivateDetectDeviceNode device detected
IDDSetupActions::Install DeviceInfoSet.CreateDeviceNode success
IDDSetupActions::Install DiInstallDriver success
IDDUtilities::ScanForHardwareChanges CM_Locate_DevNode failed
IDDSetupActions::Install Install Process Finished
DriverSetup _tmain: Setup Success!
)";
}

std::string InstallWithoutDevice() {
    return InstallRun({WineDisplayAdapter, "Root\\VID_TALVOREN_VIRTUAL_DISPLAY_0001"});
}

const char RemovePackages[] =
    R"(IDDDeviceInfoSet::RemoveDriverOemInf PrivateValidateDriverOemInfFile C:\windows\INF\oem0.inf "Display" and "Talvoren" matched
IDDDeviceInfoSet::RemoveDriverOemInf Removing oem0.inf
IDDDeviceInfoSet::RemoveDriverOemInf PrivateValidateDriverOemInfFile C:\windows\INF\oem1.inf "Display" and "Talvoren" matched
IDDDeviceInfoSet::RemoveDriverOemInf Removing oem1.inf
IDDDeviceInfoSet::RemoveDriverOemInf PrivateValidateDriverOemInfFile C:\windows\INF\oem2.inf didn't match
IDDDeviceInfoSet::RemoveDriverOemInf PrivateValidateDriverOemInfFile C:\windows\INF\oem3.inf didn't match
IDDDeviceInfoSet::RemoveDriverOemInf PrivateValidateDriverOemInfFile C:\windows\INF\oem4.inf didn't match
IDDSetupActions::Uninstall DeviceInfoSet.RemoveDeviceOemInf success
IDDUtilities::ScanForHardwareChanges CM_Locate_DevNode failed
)";
