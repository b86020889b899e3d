/* C interface of the ConferenceBus client, exported by ConferenceBusClient.dll for callers in
 * any language that reaches native code through C (C#, Python, Rust, ...).
 *
 * - Every function but ConferenceBusClose returns a Windows error code: ERROR_SUCCESS (0) or
 *   the reason of the failure. ConferenceBusErrorMessage turns it into words.
 * - Strings are UTF-16 (WCHAR), NUL-terminated.
 * - The caller owns every buffer it passes. A function that fills a buffer takes its size in
 *   WCHARs in *length and sets *length to the size it needs, terminators included; with a
 *   NULL buffer or one too small it writes nothing and returns ERROR_MORE_DATA.
 * - A bus handle is opaque. Every child lives only as long as the handle that plugged it in:
 *   ConferenceBusClose unplugs all of them.
 * - No C++ exception leaves the DLL: a failure to allocate memory inside it returns
 *   ERROR_OUTOFMEMORY.
 * - The functions use the C calling convention (__cdecl), also in 32-bit code.
 *
 * This header compiles as C89 and as C++. */
#ifndef CONFERENCE_BUS_CLIENT_C_H
#define CONFERENCE_BUS_CLIENT_C_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct ConferenceBusHandle_* HCONFERENCEBUS;

/* Opens the bus at the interface path (as ConferenceBusFindBuses lists it), or the first
 * present bus for NULL or an empty path, and stores its handle in *bus. Only SYSTEM and
 * Administrators may open the bus (ERROR_ACCESS_DENIED otherwise); with no bus present the
 * result is ERROR_DEV_NOT_EXIST. */
DWORD __cdecl ConferenceBusOpen(LPCWSTR interfacePath, HCONFERENCEBUS* bus);

/* Plugs in the child with this serial number and these hardware ids, of which the first
 * becomes its device id. Ids are 1 to 200 characters long; a serial number already plugged in
 * gives ERROR_INVALID_PARAMETER. */
DWORD __cdecl ConferenceBusPlugIn(HCONFERENCEBUS bus, DWORD serialNumber,
                                  const LPCWSTR* hardwareIds, DWORD hardwareIdCount);

/* Unplugs the child with this serial number; 0 leaves only with ConferenceBusUnplugAll. */
DWORD __cdecl ConferenceBusUnplug(HCONFERENCEBUS bus, DWORD serialNumber);

/* Unplugs every child the bus has. */
DWORD __cdecl ConferenceBusUnplugAll(HCONFERENCEBUS bus);

/* Writes the interface paths of the present buses as a multi-string: each path ended by a
 * NUL, then one more NUL (a lone NUL when no bus is present). */
DWORD __cdecl ConferenceBusFindBuses(LPWSTR paths, LPDWORD length);

/* Closes the handle, which unplugs every child it plugged in. NULL is ignored. */
void __cdecl ConferenceBusClose(HCONFERENCEBUS bus);

/* Writes the message for an error code: the client's own words for the last call of this
 * thread into the DLL when it failed with this code ("serial 7 is already plugged in"),
 * otherwise the system's text for the code. It leaves the last call's record as it is, so
 * the size can be asked for first. */
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
