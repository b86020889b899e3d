// An INF opened for reading, closed on every way out of the scope that opened it.
#pragma once

#include <windows.h>

#include <setupapi.h>

#include <string>

namespace testsupport {

class InfFile {
public:
    explicit InfFile(const std::wstring& path)
        : handle(SetupOpenInfFileW(path.c_str(), nullptr, INF_STYLE_WIN4, nullptr)) {}
    ~InfFile() {
        if (handle != INVALID_HANDLE_VALUE) {
            SetupCloseInfFile(handle);
        }
    }
    InfFile(const InfFile&) = delete;
    InfFile& operator=(const InfFile&) = delete;

    const HINF handle;
};

} // namespace testsupport
