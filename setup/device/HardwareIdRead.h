// Reading and matching a device's first hardware id, shared by detection and removal.
#pragma once

#include <windows.h>
#include <setupapi.h>

// The property is read into 600 bytes. One more, always zero, unit follows them, so a
// list that fills the 600 bytes without its terminators still reads as a string.
constexpr DWORD HardwareIdReadBytes = 600;
using HardwareIdBuffer = wchar_t[HardwareIdReadBytes / sizeof(wchar_t) + 1];

// Zero-fills the buffer and reads SPDRP_HARDWAREID into it; the buffer then holds the
// first string of the list. FALSE with the last-error code of the read on failure.
BOOL ReadHardwareId(HDEVINFO set, SP_DEVINFO_DATA& device, HardwareIdBuffer& buffer);

// Exact, case-sensitive comparison of the first string of the list.
bool IsHardwareId(const HardwareIdBuffer& buffer, const wchar_t* hardwareId);
