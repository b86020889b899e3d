// Starting a program from a test under Wine.
#pragma once

#include <windows.h>

#include <cstdio>

namespace testsupport {

// CreateProcessW, started once more when Wine lost the new process during its start-up.
// Wine then fails the call with ERROR_INTERNAL_ERROR, before any of the program's code has
// run (seen in a test run under load, once in about fifteen full runs), so a second start
// changes nothing the test observes. Any other failure, or a second one, is the caller's.
template <typename... Arguments> BOOL StartProcess(Arguments... arguments) {
    for (int attempt = 1;; ++attempt) {
        if (CreateProcessW(arguments...)) {
            return TRUE;
        }
        if (GetLastError() != ERROR_INTERNAL_ERROR || attempt == 2) {
            return FALSE;
        }
        std::fprintf(stderr, "note: Wine lost the new process during its start-up (error 1359); "
                             "starting it once more\n");
    }
}

} // namespace testsupport
