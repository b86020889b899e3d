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

// Hardware-id lists that resemble the kit's without making a device the kit's: the id in
// another letter case, and the id only as a later string.
extern const std::vector<std::vector<std::wstring>> LookalikeDevices;

// What a system keeps after the package was installed, updated once and left in use.
struct InstalledSystem {
    unsigned kitDevices = 1; // device nodes whose first hardware id is the kit's
    // The service, the framework's key, the driver files and the package's settings.
    bool residue = true;
};

// Registers the kit's devices and the lookalikes after them; stages both versions of the
// package and three others: another vendor's display package, one whose provider only
// begins like the kit's, and one of the kit's provider in another class; and lays down the
// residue, in that order.
DWORD PrepareInstalledSystem(const std::wstring& packageFolder, const std::wstring& dataFolder,
                             const InstalledSystem& what);

} // namespace prep
