// The bus's control interface as the client reaches it: its record layouts and codes, and
// the present interfaces with their device nodes.
#pragma once

#include <windows.h>

#include <cfgmgr32.h>
#include <winioctl.h>

#include <string>
#include <vector>

#include "ConferenceBusClient.h"
#include "ConferenceBusPublic.h"

namespace conferencebus {

struct BusInterface {
    std::wstring path;
    DEVINST device;
};

BusError EnumerateBuses(std::vector<BusInterface>* buses);

// The strings one after another, each ended by a NUL, then one more NUL.
std::wstring MultiString(const std::vector<std::wstring>& strings);

} // namespace conferencebus
