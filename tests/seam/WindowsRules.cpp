// Stand-ins for entry points where Wine is kinder than Windows' documented behaviour, so
// that the product meets Windows' rule in the tests. Each works on the platform's own
// implementation.
#include "Seam.h"

#include <cstring>

namespace seam::detail {
namespace {

// Without a high part, a new position that does not fit in 32 bits fails with
// ERROR_INVALID_PARAMETER and the position stays where it was; Wine moves it there.
DWORD WINAPI WindowsSetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD method) {
    using Signature = decltype(&SetFilePointer);
    static const auto platform = reinterpret_cast<Signature>(
        reinterpret_cast<void*>(ResolvePlatform(L"kernel32.dll", "SetFilePointer")));
    LARGE_INTEGER base{};
    const bool known =
        method == FILE_BEGIN ||
        (method == FILE_CURRENT && SEAM_REAL(SetFilePointerEx)(file, {}, &base, FILE_CURRENT)) ||
        (method == FILE_END && GetFileSizeEx(file, &base));
    const LONGLONG target = base.QuadPart + distance;
    if (!distanceHigh && known && target > 0xFFFFFFFFll) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    return platform(file, distance, distanceHigh, method);
}

} // namespace

FARPROC WindowsRule(const char* function) {
    if (std::strcmp(function, "SetFilePointer") == 0) {
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&WindowsSetFilePointer));
    }
    return nullptr;
}

} // namespace seam::detail
