// Results of the path queries (module file name, Windows directory) that return the
// length written, 0 on failure, and the size needed or a cut path when the buffer is
// too small. A path that did not fit must never be used.
#pragma once

#include <windows.h>

inline bool PathQueryFitted(DWORD length, DWORD capacity) {
    return length != 0 && length < capacity;
}

// The error of a query that did not fit. Call SetLastError(ERROR_SUCCESS) before the
// query: some report a short buffer only through the length they return.
inline DWORD PathQueryError() {
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_INSUFFICIENT_BUFFER;
}
