// Kernel routines: IRQL, pool with tag and size tracking, counted strings and formatting.

#include <ntddk.h>
#include <ntstrsafe.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <new>

#include "wdfsim/State.h"

using namespace wdfsim;

KIRQL KeGetCurrentIrql() {
    return ThreadIrql();
}

void WdfSimCheckPageable(const char* Function) {
    if (ThreadIrql() > APC_LEVEL) {
        Violation(std::string("pageable routine ") + Function + " ran at IRQL " +
                  std::to_string(ThreadIrql()));
    }
}

// The pool is not zero-filled: fresh blocks carry a pattern, so that a driver relying on
// zeroed memory reads garbage here as it would on a real system.
constexpr unsigned char FreshPoolPattern = 0xBA;

PVOID ExAllocatePoolWithTag(POOL_TYPE PoolType, SIZE_T NumberOfBytes, ULONG Tag) {
    if (Called("ExAllocatePoolWithTag")) {
        return nullptr;
    }
    if (PoolType != NonPagedPoolNx && PoolType != NonPagedPool) {
        CheckIrql("ExAllocatePoolWithTag(paged pool)", APC_LEVEL);
    }
    if (Tag == 0) {
        Violation("pool allocated without a tag");
    }
    void* block = ::operator new(NumberOfBytes == 0 ? 1 : NumberOfBytes);
    std::memset(block, FreshPoolPattern, NumberOfBytes);
    std::lock_guard<std::mutex> held(Current().lock);
    Current().pool[block] = PoolBlock{PoolType, NumberOfBytes, Tag};
    return block;
}

VOID ExFreePoolWithTag(PVOID P, ULONG Tag) {
    Called("ExFreePoolWithTag");
    // Look-up and release in one step, so that two threads freeing one block are caught.
    std::lock_guard<std::mutex> held(Current().lock);
    auto& pool = Current().pool;
    auto block = pool.find(P);
    if (block == pool.end()) {
        Violation("freed a pool block that is not allocated (double free or stray pointer)");
        return;
    }
    // Windows checks no tag for a free with tag 0; the simulation counts that a fault, so that
    // every block is seen to be freed with the tag it was allocated with.
    if (Tag != block->second.tag) {
        Violation("pool block freed with the wrong tag");
    }
    ::operator delete(P);
    pool.erase(block);
}

VOID RtlInitUnicodeString(PUNICODE_STRING DestinationString, PCWSTR SourceString) {
    Called("RtlInitUnicodeString");
    if (SourceString == nullptr) {
        DestinationString->Length = 0;
        DestinationString->MaximumLength = 0;
        DestinationString->Buffer = nullptr;
        return;
    }
    // A source longer than a counted string can hold is cut, misstating the string.
    size_t bytes = std::wcslen(SourceString) * sizeof(WCHAR);
    if (bytes > 0xFFFD) {
        bytes = 0xFFFC;
    }
    DestinationString->Length = static_cast<USHORT>(bytes);
    DestinationString->MaximumLength = static_cast<USHORT>(bytes + sizeof(WCHAR));
    DestinationString->Buffer = const_cast<PWCH>(SourceString);
}

NTSTATUS RtlUnicodeStringPrintf(PUNICODE_STRING DestinationString, NTSTRSAFE_PCWSTR pszFormat,
                                ...) {
    NTSTATUS injected;
    if (Called("RtlUnicodeStringPrintf", &injected)) {
        return injected;
    }
    CheckIrql("RtlUnicodeStringPrintf", PASSIVE_LEVEL);
    if (DestinationString == nullptr || DestinationString->Buffer == nullptr ||
        DestinationString->MaximumLength % sizeof(WCHAR) != 0 ||
        DestinationString->MaximumLength == 0) {
        return STATUS_INVALID_PARAMETER;
    }

    wchar_t formatted[4096];
    va_list arguments;
    va_start(arguments, pszFormat);
    const int written =
        std::vswprintf(formatted, sizeof(formatted) / sizeof(formatted[0]), pszFormat, arguments);
    va_end(arguments);
    if (written < 0) {
        return STATUS_INVALID_PARAMETER;
    }

    // The counted result carries no terminating NUL; what does not fit is cut.
    const size_t capacity = DestinationString->MaximumLength / sizeof(WCHAR);
    const size_t kept = static_cast<size_t>(written) < capacity ? written : capacity;
    std::wmemcpy(DestinationString->Buffer, formatted, kept);
    DestinationString->Length = static_cast<USHORT>(kept * sizeof(WCHAR));
    return kept < static_cast<size_t>(written) ? STATUS_BUFFER_OVERFLOW : STATUS_SUCCESS;
}
