/* C interface of the ConferenceBus client, exported by ConferenceBusClient.dll for callers in
 * any language that reaches native code through C (C#, Python, Rust, ...).
 *
 * - Every function but ConferenceBusClose returns a Windows error code: ERROR_SUCCESS (0) or
 *   the reason of the failure. ConferenceBusErrorMessage turns it into words. Besides the
 *   results each function names, any function may return ERROR_OUTOFMEMORY (no C++ exception
 *   leaves the DLL) and a system call's own code, passed on unchanged.
 * - Strings are UTF-16 (WCHAR), NUL-terminated.
 * - The caller owns every buffer it passes. A function that fills a buffer takes its size in
 *   WCHARs in *length and sets *length to the size it needs, terminators included; with a
 *   NULL buffer or one too small it writes nothing and returns ERROR_MORE_DATA. A NULL length
 *   gives ERROR_INVALID_PARAMETER.
 * - A bus handle is opaque. Every child lives only as long as the handle that plugged it in:
 *   ConferenceBusClose unplugs all of them. A NULL handle gives ERROR_INVALID_HANDLE.
 * - Only ConferenceBusPlugIn waits (up to 5 seconds, see there); every other function
 *   returns as soon as the system has answered.
 * - The functions use the C calling convention (__cdecl), also in 32-bit code.
 *
 * Hardware ids, which ConferenceBusPlugIn and ConferenceBusCheckHardwareIds refuse with
 * ERROR_INVALID_PARAMETER when they break a rule (Windows stops with bug check 0xCA on a
 * child id that Plug and Play cannot use):
 * - at least one id; every id has 1 to 199 characters, each from U+0021 ('!') to U+007F:
 *   no space, control character, comma or character beyond ASCII;
 * - the first id becomes the child's device id: it has the form ENUMERATOR\ID (exactly one
 *   backslash, characters on both sides), and together with the child's instance id it has
 *   at most 171 characters. The instance id is the serial number as "%02d" prints a signed
 *   32-bit number, so the device id has at most 169 characters for serial 7 ("07"), 168 for
 *   100 ("100"), 169 for 4294967295 ("-1") and 160 for 2147483648 ("-2147483648").
 *
 * This header compiles as C89 and as C++, with or without UNICODE, and needs no particular
 * _WIN32_WINNT. */
#ifndef CONFERENCE_BUS_CLIENT_C_H
#define CONFERENCE_BUS_CLIENT_C_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct ConferenceBusHandle_* HCONFERENCEBUS;

/* Opens the bus at the interface path (as ConferenceBusFindBuses lists it), or the first
 * present bus for NULL or an empty path, and stores its handle in *bus (NULL on failure).
 * ERROR_DEV_NOT_EXIST: no bus is present (at that path).
 * ERROR_ACCESS_DENIED: another handle holds the bus (it admits one at a time), or the caller
 *   is not SYSTEM or an administrator; Windows does not tell the two apart.
 * ERROR_INVALID_PARAMETER: bus is NULL. */
DWORD __cdecl ConferenceBusOpen(LPCWSTR interfacePath, HCONFERENCEBUS* bus);

/* Plugs in the child with this serial number and these hardware ids (see the rules above).
 * ERROR_INVALID_PARAMETER: an id breaks a rule (nothing is sent to the bus), an id pointer is
 *   NULL, or the serial number is plugged in already.
 * ERROR_RETRY: the earlier child with this serial number is still being removed by Plug and
 *   Play. The call tries again every 100 ms and gives up after 5 seconds, so it may block
 *   that long.
 * ERROR_INVALID_HANDLE: the handle was closed while the request ran; nothing was added. */
DWORD __cdecl ConferenceBusPlugIn(HCONFERENCEBUS bus, DWORD serialNumber,
                                  const LPCWSTR* hardwareIds, DWORD hardwareIdCount);

/* Unplugs the child with this serial number.
 * ERROR_INVALID_PARAMETER: no child has this serial number, or it is 0, which leaves only
 *   with ConferenceBusUnplugAll. */
DWORD __cdecl ConferenceBusUnplug(HCONFERENCEBUS bus, DWORD serialNumber);

/* Unplugs every child the bus has (none is no failure). */
DWORD __cdecl ConferenceBusUnplugAll(HCONFERENCEBUS bus);

/* Writes the bus's child devices as Plug and Play reports them, four strings for each child:
 * device id, instance id, description, location (FENWAREL\CAM_01, 07,
 * FenwarelConferenceDevice_07, Fenwarel Conference Bus), each ended by a NUL; after the last
 * child one more NUL (a lone NUL when there is none). A device id is never empty, so an empty
 * string where a child would begin ends the list. A child unplugged a moment ago may still be
 * listed until Plug and Play has removed it; the list can change between two calls, so call
 * it in a loop as ConferenceBusFindBuses shows.
 * ERROR_MORE_DATA: see the buffer rule above.
 * ERROR_GEN_FAILURE: the configuration manager failed to list them (the message says how). */
DWORD __cdecl ConferenceBusListChildren(HCONFERENCEBUS bus, LPWSTR children, LPDWORD length);

/* Writes the interface paths of the present buses as a multi-string: each path ended by a
 * NUL, then one more NUL (a lone NUL when no bus is present).
 * ERROR_MORE_DATA: see the buffer rule above. A bus may appear between the call that asks for
 *   the size and the call that fills the buffer, so call it in a loop:
 *
 *     LPWSTR paths = NULL;
 *     DWORD length = 0;
 *     DWORD error;
 *     while ((error = ConferenceBusFindBuses(paths, &length)) == ERROR_MORE_DATA) {
 *         free(paths);
 *         paths = (LPWSTR)malloc(length * sizeof(WCHAR));
 *         if (paths == NULL) {
 *             error = ERROR_OUTOFMEMORY;
 *             break;
 *         }
 *     }
 */
DWORD __cdecl ConferenceBusFindBuses(LPWSTR paths, LPDWORD length);

/* Applies the hardware id rules above to the ids of a child with this serial number, as
 * ConferenceBusPlugIn does before it sends anything; needs no bus.
 * ERROR_INVALID_PARAMETER: an id breaks a rule (ConferenceBusErrorMessage names the id and
 *   the rule, as in "hardware id 2 is empty"), or an id pointer is NULL. */
DWORD __cdecl ConferenceBusCheckHardwareIds(DWORD serialNumber, const LPCWSTR* hardwareIds,
                                            DWORD hardwareIdCount);

/* Closes the handle, which unplugs every child it plugged in. NULL is ignored. */
void __cdecl ConferenceBusClose(HCONFERENCEBUS bus);

/* Writes the message for an error code: the client's own words for the last call of this
 * thread into the DLL when it failed with this code ("serial 7 is already plugged in"),
 * otherwise the system's text for the code. It leaves the last call's record as it is, so
 * the size can be asked for first.
 * ERROR_MORE_DATA: see the buffer rule above. */
DWORD __cdecl ConferenceBusErrorMessage(DWORD error, LPWSTR message, LPDWORD length);

/* Installing and removing the bus itself, as ConferenceBusCtl install-bus and remove-bus do.
 * Both need an elevated process (ERROR_ACCESS_DENIED otherwise), on 64-bit Windows a 64-bit
 * one (ERROR_IN_WOW64 otherwise). Every output pointer may be NULL. */

/* Creates the root-enumerated bus device (hardware id Root\FenwarelConferenceBus) in the INF's
 * setup class unless one is present, and installs the INF's driver package on it. NULL or an
 * empty path names ConferenceBus.inf beside the program. An INF whose models name no bus
 * device is refused before anything changes (ERROR_NO_COMPAT_DRIVERS); a device created here
 * is removed again when the package cannot be installed on it. *deviceCreated tells whether
 * the device was created (else one was present); *restartNeeded whether Windows asks for a
 * restart to finish. */
DWORD __cdecl ConferenceBusInstallBus(LPCWSTR infPath, BOOL* deviceCreated, BOOL* restartNeeded);

/* Removes every present bus device, then every copy of the bus's package in the driver store
 * (original INF ConferenceBus.inf, provider Talvoren), and counts them; it stops at the first
 * failure, the counts telling what was removed until then. *restartNeeded tells whether a
 * device in use goes only at the next restart. */
DWORD __cdecl ConferenceBusRemoveBus(LPDWORD devicesRemoved, LPDWORD packagesRemoved,
                                     BOOL* restartNeeded);

#ifdef __cplusplus
}
#endif

#endif
