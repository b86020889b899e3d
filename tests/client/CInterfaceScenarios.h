/* Callers of ConferenceBusClient.dll written in C: each scenario drives the bus through the
 * C interface and returns the number of its checks that failed, having printed each. */
#ifndef C_INTERFACE_SCENARIOS_H
#define C_INTERFACE_SCENARIOS_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/* On the only bus: plugs, lists, refusals with their messages, unplugs; leaves serial 7
 * plugged in and closes the handle. */
int PlugAndUnplugFromC(void);
/* Two buses with these paths: lists them, buffer sizes included, and opens the second. */
int FindAndOpenFromC(LPCWSTR firstPath, LPCWSTR secondPath);
/* Opening the first bus fails with this code and message; the id check works without one. */
int OpenFailsFromC(DWORD error, LPCWSTR message);
/* Whether ConferenceBusErrorMessage gives exactly this text for the error on this thread. */
int MessageIs(DWORD error, LPCWSTR expected);

#ifdef __cplusplus
}
#endif

#endif
