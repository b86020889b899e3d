/* The bus's public header compiled as C, as a caller in C includes it. */
#include <windows.h>

#include <winioctl.h>

#include "ConferenceBusPublic.h"

const DWORD PublicHeaderControlCodes[] = {IOCTL_BUS_PLUGIN_CHILD, IOCTL_BUS_UNPLUG_CHILD};
