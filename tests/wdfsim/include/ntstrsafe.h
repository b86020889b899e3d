// Test-only stand-in for ntstrsafe.h: counted-string formatting.
#pragma once
#include <ntddk.h>

typedef const WCHAR* NTSTRSAFE_PCWSTR;

NTSTATUS RtlUnicodeStringPrintf(PUNICODE_STRING DestinationString, NTSTRSAFE_PCWSTR pszFormat, ...);
