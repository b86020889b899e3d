/* Compiled as C89 with -pedantic-errors, which also proves the interface's header. */
#include "CInterfaceScenarios.h"

#include <stdio.h>
#include <string.h>
#include <wchar.h>

#include "ConferenceBusClientC.h"

static int failures;
static const LPCWSTR camera[] = {L"FENWAREL\\CAM_01", L"FENWAREL\\CAM"};
static const LPCWSTR emptySecond[] = {L"FENWAREL\\CAM", L""};
static const LPCWSTR missingSecond[] = {L"FENWAREL\\CAM", NULL};

#define CHECK(condition) Check((condition) != 0, #condition, __LINE__)

static void Check(int passed, const char* condition, int line) {
    if (!passed) {
        fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, line, condition);
        failures++;
    }
}

/* The message for the error, read into a buffer of exactly the size asked for first. */
int MessageIs(DWORD error, LPCWSTR expected) {
    WCHAR text[300];
    DWORD length = 0;
    if (ConferenceBusErrorMessage(error, NULL, &length) != ERROR_MORE_DATA ||
        length != wcslen(expected) + 1) {
        return 0;
    }
    return ConferenceBusErrorMessage(error, text, &length) == ERROR_SUCCESS &&
           length == wcslen(expected) + 1 && wcscmp(text, expected) == 0;
}

int PlugAndUnplugFromC(void) {
    /* Four strings a child, then one more NUL: the literal's own terminator. */
    static const WCHAR listed[] = L"FENWAREL\\CAM_01\0"
                                  L"05\0"
                                  L"FenwarelConferenceDevice_05\0"
                                  L"Fenwarel Conference Bus\0";
    const DWORD listedLength = sizeof(listed) / sizeof(listed[0]);
    HCONFERENCEBUS bus = NULL;
    WCHAR shortBuffer[4];
    WCHAR children[100];
    DWORD length = 4;

    failures = 0;
    CHECK(ConferenceBusOpen(NULL, &bus) == ERROR_SUCCESS && bus != NULL);
    CHECK(ConferenceBusPlugIn(bus, 5, camera, 2) == ERROR_SUCCESS);
    CHECK(ConferenceBusPlugIn(bus, 5, camera + 1, 1) == ERROR_INVALID_PARAMETER);
    CHECK(MessageIs(ERROR_INVALID_PARAMETER, L"serial 5 is already plugged in"));
    /* A buffer too small is left alone, and the record with it. */
    CHECK(ConferenceBusErrorMessage(ERROR_INVALID_PARAMETER, shortBuffer, &length) ==
          ERROR_MORE_DATA);
    CHECK(length == 31);
    CHECK(MessageIs(ERROR_INVALID_PARAMETER, L"serial 5 is already plugged in"));
    /* Any other code gets the system's words, without their line end. */
    CHECK(MessageIs(ERROR_FILE_NOT_FOUND, L"File not found."));

    length = 0;
    CHECK(ConferenceBusListChildren(bus, NULL, &length) == ERROR_MORE_DATA);
    CHECK(length == listedLength);
    length = listedLength - 1;
    children[0] = L'X';
    CHECK(ConferenceBusListChildren(bus, children, &length) == ERROR_MORE_DATA);
    CHECK(length == listedLength && children[0] == L'X');
    CHECK(ConferenceBusListChildren(bus, children, &length) == ERROR_SUCCESS);
    CHECK(length == listedLength && memcmp(children, listed, sizeof(listed)) == 0);
    CHECK(ConferenceBusListChildren(bus, children, NULL) == ERROR_INVALID_PARAMETER);

    CHECK(ConferenceBusUnplug(bus, 9) == ERROR_INVALID_PARAMETER);
    CHECK(MessageIs(ERROR_INVALID_PARAMETER, L"no child with serial 9"));
    CHECK(ConferenceBusUnplug(bus, 0) == ERROR_INVALID_PARAMETER);
    CHECK(MessageIs(ERROR_INVALID_PARAMETER,
                    L"serial 0 leaves only with all children: use unplug all"));
    CHECK(ConferenceBusPlugIn(bus, 6, emptySecond, 2) == ERROR_INVALID_PARAMETER);
    CHECK(MessageIs(ERROR_INVALID_PARAMETER, L"hardware id 2 is empty"));
    CHECK(ConferenceBusPlugIn(bus, 6, NULL, 0) == ERROR_INVALID_PARAMETER);
    CHECK(MessageIs(ERROR_INVALID_PARAMETER, L"a child needs at least one hardware id"));
    /* Refused before the library: the message is the system's, not the last one's. */
    CHECK(ConferenceBusPlugIn(bus, 6, missingSecond, 2) == ERROR_INVALID_PARAMETER);
    CHECK(!MessageIs(ERROR_INVALID_PARAMETER, L"a child needs at least one hardware id"));

    CHECK(ConferenceBusUnplug(bus, 5) == ERROR_SUCCESS);
    CHECK(ConferenceBusPlugIn(bus, 6, camera + 1, 1) == ERROR_SUCCESS);
    CHECK(ConferenceBusUnplugAll(bus) == ERROR_SUCCESS);
    length = 100;
    CHECK(ConferenceBusListChildren(bus, children, &length) == ERROR_SUCCESS);
    CHECK(length == 1 && children[0] == L'\0');
    CHECK(ConferenceBusPlugIn(bus, 7, camera, 1) == ERROR_SUCCESS);
    ConferenceBusClose(bus);
    ConferenceBusClose(NULL);
    return failures;
}

int FindAndOpenFromC(LPCWSTR firstPath, LPCWSTR secondPath) {
    WCHAR paths[400];
    DWORD length = 0;
    const DWORD needed = (DWORD)(wcslen(firstPath) + 1 + wcslen(secondPath) + 1 + 1);
    HCONFERENCEBUS bus = NULL;

    failures = 0;
    CHECK(ConferenceBusFindBuses(NULL, &length) == ERROR_MORE_DATA && length == needed);
    length = needed - 1;
    paths[0] = L'X';
    CHECK(ConferenceBusFindBuses(paths, &length) == ERROR_MORE_DATA && length == needed);
    CHECK(paths[0] == L'X');
    CHECK(ConferenceBusFindBuses(paths, &length) == ERROR_SUCCESS && length == needed);
    CHECK(wcscmp(paths, firstPath) == 0);
    CHECK(wcscmp(paths + wcslen(firstPath) + 1, secondPath) == 0);
    CHECK(paths[needed - 1] == L'\0');
    CHECK(ConferenceBusFindBuses(paths, NULL) == ERROR_INVALID_PARAMETER);

    CHECK(ConferenceBusOpen(paths + wcslen(firstPath) + 1, &bus) == ERROR_SUCCESS);
    CHECK(ConferenceBusPlugIn(bus, 1, camera, 1) == ERROR_SUCCESS);
    ConferenceBusClose(bus);
    CHECK(ConferenceBusOpen(L"\\\\?\\NOWHERE", &bus) == ERROR_DEV_NOT_EXIST && bus == NULL);
    CHECK(MessageIs(ERROR_DEV_NOT_EXIST, L"no ConferenceBus device is present at \\\\?\\NOWHERE"));
    return failures;
}

int OpenFailsFromC(DWORD error, LPCWSTR message) {
    HCONFERENCEBUS bus = (HCONFERENCEBUS)&failures;
    WCHAR longId[162];
    LPCWSTR ids[1];
    DWORD length = 0;
    int index;

    failures = 0;
    ids[0] = longId;
    CHECK(ConferenceBusOpen(L"", &bus) == error && bus == NULL);
    CHECK(MessageIs(error, message));
    CHECK(ConferenceBusOpen(NULL, NULL) == ERROR_INVALID_PARAMETER);
    CHECK(ConferenceBusPlugIn(NULL, 1, camera, 1) == ERROR_INVALID_HANDLE);
    CHECK(ConferenceBusUnplugAll(NULL) == ERROR_INVALID_HANDLE);
    CHECK(ConferenceBusListChildren(NULL, NULL, &length) == ERROR_INVALID_HANDLE);

    /* The id check needs no bus. The device id's limit depends on the serial's instance id:
     * 160 characters for "-2147483648". */
    CHECK(ConferenceBusCheckHardwareIds(7, camera, 2) == ERROR_SUCCESS);
    CHECK(ConferenceBusCheckHardwareIds(6, emptySecond, 2) == ERROR_INVALID_PARAMETER);
    CHECK(MessageIs(ERROR_INVALID_PARAMETER, L"hardware id 2 is empty"));
    CHECK(ConferenceBusCheckHardwareIds(6, NULL, 0) == ERROR_INVALID_PARAMETER);
    CHECK(MessageIs(ERROR_INVALID_PARAMETER, L"a child needs at least one hardware id"));
    CHECK(ConferenceBusCheckHardwareIds(6, missingSecond, 2) == ERROR_INVALID_PARAMETER);
    CHECK(ConferenceBusCheckHardwareIds(6, NULL, 1) == ERROR_INVALID_PARAMETER);
    for (index = 0; index < 161; index++) {
        longId[index] = index == 1 ? L'\\' : L'A';
    }
    longId[161] = L'\0';
    CHECK(ConferenceBusCheckHardwareIds(2147483648UL, ids, 1) == ERROR_INVALID_PARAMETER);
    CHECK(MessageIs(ERROR_INVALID_PARAMETER, L"hardware id 1 is longer than 160 characters, "
                                             L"the most the device id of serial 2147483648 "
                                             L"may have"));
    longId[160] = L'\0';
    CHECK(ConferenceBusCheckHardwareIds(2147483648UL, ids, 1) == ERROR_SUCCESS);
    return failures;
}
