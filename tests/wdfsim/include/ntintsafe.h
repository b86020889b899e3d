// Test-only stand-in for ntintsafe.h: the one overflow-checked helper the driver uses.
#pragma once
#include <ntddk.h>

inline NTSTATUS RtlSIZETMult(SIZE_T Multiplicand, SIZE_T Multiplier, SIZE_T* Result) {
    if (Multiplier != 0 && Multiplicand > MAXSIZE_T / Multiplier) {
        *Result = 0;
        return STATUS_INTEGER_OVERFLOW;
    }
    *Result = Multiplicand * Multiplier;
    return STATUS_SUCCESS;
}
