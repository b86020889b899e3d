// prepare <package folder> <data folder>
// Leaves the system as a Windows installation of the display driver package does: one
// device node of the kit and two lookalikes, both versions of the package staged beside
// three other packages, the service, the framework's key, the driver files and the
// package's settings.
#include "support/Preparation.h"

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        fputws(L"usage: prepare <package folder> <data folder>\n", stderr);
        return 2;
    }
    const DWORD error = prep::PrepareInstalledSystem(argv[1], argv[2], prep::InstalledSystem{});
    if (error != ERROR_SUCCESS) {
        fwprintf(stderr, L"prepare: failed with Windows error %lu\n", error);
        return 1;
    }
    return 0;
}
