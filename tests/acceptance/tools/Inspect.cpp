// inspect
// Prints what the setup program creates or removes: device nodes, OEM INFs, service,
// registry keys and driver files.
#include "support/SystemState.h"

#include <cstdio>

int wmain() {
    fputws(Describe(CaptureSystemState()).c_str(), stdout);
    return 0;
}
