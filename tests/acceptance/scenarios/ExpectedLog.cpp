#include "ExpectedLog.h"

#include "KitFacts.h"

const wchar_t WineDisplayAdapter[] = L"PCI\\VEN_0000&DEV_0000&SUBSYS_00000000&REV_00";
const wchar_t KitInfPath[] = L"C:\\Kit to install\\TalvorenDisplay.inf";

Lines MaskedBanner() {
    return Banner(L"Call: <time> Build: <build>\n");
}

Lines InstallRun(const Lines& listedIds) {
    return MaskedBanner() + InstallFindingOurNode(KitInfPath, listedIds, {RescanNotLocated});
}

Lines InstallWithoutDevice() {
    return InstallRun({WineDisplayAdapter, kit::HardwareId});
}

Lines RemovePackages() {
    const std::wstring infs = L"C:\\windows\\INF\\";
    return {OemInfMatched(infs + L"oem0.inf"),
            OemInfRemoving(L"oem0.inf"),
            OemInfMatched(infs + L"oem1.inf"),
            OemInfRemoving(L"oem1.inf"),
            OemInfDidNotMatch(infs + L"oem2.inf"),
            OemInfDidNotMatch(infs + L"oem3.inf"),
            OemInfDidNotMatch(infs + L"oem4.inf"),
            UninstallPackagesRemoved,
            RescanNotLocated};
}
