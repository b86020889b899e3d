#include "IDDUtilities.h"

#include "log/LogMessage.h"

#include <cfgmgr32.h>

// Asks the Plug and Play manager to re-enumerate the whole tree and waits for it, so
// the new or removed device is handled before the workflow goes on.
bool IDDUtilities::ScanForHardwareChanges() {
    DEVINST root = 0;
    // No device id locates the root of the device tree.
    if (CM_Locate_DevNodeW(&root, nullptr, CM_LOCATE_DEVNODE_NORMAL) != CR_SUCCESS) {
        LogMessage(LOG_ERROR, L"IDDUtilities::ScanForHardwareChanges CM_Locate_DevNode failed\n");
        return false;
    }
    if (CM_Reenumerate_DevNode(root, CM_REENUMERATE_SYNCHRONOUS) != CR_SUCCESS) {
        LogMessage(LOG_ERROR,
                   L"IDDUtilities::ScanForHardwareChanges CM_Reenumerate_DevNode failed\n");
        return false;
    }
    return true;
}
