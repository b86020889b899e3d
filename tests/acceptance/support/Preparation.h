// Puts a system into the state that a Windows installation of the display driver package
// leaves behind, piece by piece, so that a scenario can leave out what it wants missing.
// Every step returns a Windows error code, 0 for success.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace prep {

// Registers a root-enumerated device node of the Display class whose hardware-id
// property is `hardwareIds`, in that order.
DWORD RegisterDisplayDevice(const std::vector<std::wstring>& hardwareIds);

// Stages an INF in the driver store under the next free oem<n>.inf; `stagedName`
// receives that name.
DWORD StageInf(const std::wstring& infPath, std::wstring& stagedName);

// Stages an earlier version of the package INF (the same INF with an older DriverVer),
// as a system that was updated once keeps it.
DWORD StageEarlierVersion(const std::wstring& packageInf, std::wstring& stagedName);

// Runs the package's install section from `packageFolder`: the driver files, the
// package's settings and the service, as the driver installation lays them down.
DWORD InstallPackageResidue(const std::wstring& packageFolder);

// The key that the user-mode driver framework's co-installer writes for the service.
DWORD CreateFrameworkServiceKey();

// Hardware-id lists that resemble the kit's without making a device the kit's: the id in
// another letter case, and the id only as a later string.
extern const std::vector<std::vector<std::wstring>> LookalikeDevices;

// What a system keeps after the package was installed, updated once and left in use.
struct InstalledSystem {
    unsigned kitDevices = 1;      // device nodes whose first hardware id is the kit's
    bool lookalikeDevices = true; // registered after the kit's
    // Another vendor's display package, one whose provider only begins like the kit's,
    // and one of the kit's provider in another class.
    bool otherPackages = true;
    // The service, the framework's key, the driver files and the package's settings.
    bool residue = true;
};

// Registers the devices, stages the package (both versions, always) and the others,
// and lays down the residue, in that order.
DWORD PrepareInstalledSystem(const std::wstring& packageFolder, const std::wstring& dataFolder,
                             const InstalledSystem& what);

} // namespace prep
