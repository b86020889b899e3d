// The client's texts for its failures, in one place.
#pragma once

#include <string>

#include "Interface.h"

namespace conferencebus::messages {

std::wstring NoBus();
std::wstring NoBusAt(const std::wstring& path);
std::wstring AccessDenied();
std::wstring AlreadyPlugged(ULONG serialNumber);
std::wstring NoChild(ULONG serialNumber);
std::wstring SerialZeroAlone();
std::wstring NoHardwareId();
// Why hardware id `number` (from 1) is refused; `position` is the index of a forbidden
// character.
std::wstring RefusedId(BUS_ID_VERDICT verdict, size_t number, const std::wstring& id,
                       size_t position, ULONG serialNumber);
std::wstring ChildBeingRemoved(ULONG serialNumber, DWORD waitedMilliseconds);
std::wstring NotOpen();
std::wstring ListingFailed(const wchar_t* call, DWORD result);
// "<what> failed: <system text> (error <code>)".
std::wstring Failed(const wchar_t* what, DWORD code);
// That failure as the result of a call or step, with its code.
BusError StepFailed(const std::wstring& what, DWORD code);
// That failure for the call or step just made, with the thread's last-error code.
BusError StepFailed(const std::wstring& what);
// The system's text for a code, without its line end; empty when the system has none.
std::wstring SystemText(DWORD code);

} // namespace conferencebus::messages
