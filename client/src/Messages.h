// The client's texts for its failures, in one place.
#pragma once

#include <windows.h>

#include <string>

namespace conferencebus::messages {

std::wstring NoBus();
std::wstring NoBusAt(const std::wstring& path);
std::wstring AccessDenied();
std::wstring AlreadyPlugged(ULONG serialNumber);
std::wstring NoChild(ULONG serialNumber);
std::wstring SerialZeroAlone();
std::wstring NoHardwareId();
std::wstring EmptyHardwareId(size_t position);
std::wstring NulInHardwareId(size_t position);
std::wstring LongHardwareId(size_t position, size_t limit);
std::wstring NotOpen();
std::wstring ListingFailed(const wchar_t* call, DWORD result);
// "<what> failed: <system text> (error <code>)".
std::wstring Failed(const wchar_t* what, DWORD code);

} // namespace conferencebus::messages
