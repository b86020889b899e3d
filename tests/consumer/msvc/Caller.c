/* A caller built for Microsoft's ABI (clang-cl, lld-link) on the SDK's ConferenceBusClient.lib:
 * no C runtime, only the DLL and kernel32. It checks a refused id, which needs no bus, then
 * opens the first bus, printing each failure's message; it exits with 1 when the open fails. */
#include "ConferenceBusClientC.h"

static void PrintError(DWORD error) {
    WCHAR message[256];
    static const char prefix[] = "error: ";
    char text[264];
    DWORD length = 256;
    DWORD used;
    DWORD index;
    DWORD written = 0;
    /* Byte by byte: with no C runtime there is no memcpy to call. */
    for (used = 0; prefix[used] != '\0'; used++) {
        text[used] = prefix[used];
    }
    if (ConferenceBusErrorMessage(error, message, &length) == ERROR_SUCCESS) {
        /* The library's messages are ASCII. */
        for (index = 0; index + 1 < length; index++) {
            text[used++] = (char)message[index];
        }
    }
    text[used++] = '\n';
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, used, &written, NULL);
}

int __cdecl CallerMain(void) {
    static const LPCWSTR refused[] = {L"CAM,1"};
    HCONFERENCEBUS bus = NULL;
    DWORD error = ConferenceBusCheckHardwareIds(7, refused, 1);
    if (error != ERROR_SUCCESS) {
        PrintError(error);
    }
    error = ConferenceBusOpen(NULL, &bus);
    if (error != ERROR_SUCCESS) {
        PrintError(error);
        return 1;
    }
    ConferenceBusClose(bus);
    return 0;
}
