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

} // namespace conferencebus
