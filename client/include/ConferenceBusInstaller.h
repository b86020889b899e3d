// Installing and removing the bus itself: its root-enumerated device node and the driver
// package of ConferenceBus.inf, with no tool of the Windows Driver Kit. Both change the
// system's devices and driver store, so they need an elevated process (ERROR_ACCESS_DENIED
// otherwise), and on 64-bit Windows a 64-bit one (ERROR_IN_WOW64 otherwise).
#pragma once

#include "ConferenceBusClient.h"

namespace conferencebus {

// The bus's device node as the INF's models name it, and its package in the driver store.
constexpr wchar_t BusHardwareId[] = L"Root\\FenwarelConferenceBus";
constexpr wchar_t BusInfName[] = L"ConferenceBus.inf";
constexpr wchar_t BusProvider[] = L"Talvoren";

struct BusInstall {
    std::wstring infPath;       // the INF installed, as a full path
    bool created = false;       // false when a bus device was present already
    bool restartNeeded = false; // Windows asks for a restart to finish
};

// Creates the bus device unless one is present, in the INF's setup class, and installs the
// INF's package on it; an empty path names ConferenceBus.inf beside the running program. An
// INF whose models name no bus device is refused before anything changes. A device created
// here is removed again when the package cannot be installed on it.
BusError InstallBus(const std::wstring& infPath, BusInstall* outcome);

struct BusRemoval {
    DWORD devices = 0;          // bus devices removed
    DWORD packages = 0;         // copies of the bus's package taken out of the driver store
    bool restartNeeded = false; // a device in use goes at the next restart
};

// Removes every present bus device, then every copy of the bus's package in the driver store
// (those whose original INF is ConferenceBus.inf from the bus's provider). Stops at the
// first failure; the outcome counts what was removed until then.
BusError RemoveBus(BusRemoval* outcome);

} // namespace conferencebus
