/* Opens the first bus through ConferenceBusClient.dll, or says why it cannot. */
#include <stdio.h>

#include "ConferenceBusClientC.h"

int main(void) {
    HCONFERENCEBUS bus = NULL;
    WCHAR message[512];
    DWORD length = sizeof(message) / sizeof(message[0]);
    const DWORD error = ConferenceBusOpen(NULL, &bus);
    if (error != ERROR_SUCCESS) {
        if (ConferenceBusErrorMessage(error, message, &length) != ERROR_SUCCESS) {
            message[0] = L'\0';
        }
        fwprintf(stderr, L"error: %ls\n", message);
        return 1;
    }
    ConferenceBusClose(bus);
    return 0;
}
