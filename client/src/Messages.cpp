#include "Messages.h"

namespace conferencebus::messages {

std::wstring NoBus() {
    return L"no ConferenceBus device is present";
}

std::wstring NoBusAt(const std::wstring& path) {
    return L"no ConferenceBus device is present at " + path;
}

std::wstring AccessDenied() {
    return L"access denied: run as administrator";
}

std::wstring AlreadyPlugged(ULONG serialNumber) {
    return L"serial " + std::to_wstring(serialNumber) + L" is already plugged in";
}

std::wstring NoChild(ULONG serialNumber) {
    return L"no child with serial " + std::to_wstring(serialNumber);
}

std::wstring SerialZeroAlone() {
    return L"serial 0 leaves only with all children: use unplug all";
}

std::wstring NoHardwareId() {
    return L"a child needs at least one hardware id";
}

std::wstring EmptyHardwareId(size_t position) {
    return L"hardware id " + std::to_wstring(position) + L" is empty";
}

std::wstring NulInHardwareId(size_t position) {
    return L"hardware id " + std::to_wstring(position) + L" holds a NUL character";
}

std::wstring LongHardwareId(size_t position, size_t limit) {
    return L"hardware id " + std::to_wstring(position) + L" is longer than " +
           std::to_wstring(limit) + L" characters";
}

std::wstring NotOpen() {
    return L"the bus is not open";
}

std::wstring ListingFailed(const wchar_t* call, DWORD result) {
    return std::wstring(L"listing the child devices failed: ") + call +
           L" returned configuration manager result " + std::to_wstring(result);
}

std::wstring Failed(const wchar_t* what, DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring system = length != 0 ? std::wstring(text, length) : L"unknown error";
    LocalFree(text);
    while (!system.empty() && (system.back() == L'\n' || system.back() == L'\r' ||
                               system.back() == L' ' || system.back() == L'.')) {
        system.pop_back();
    }
    return std::wstring(what) + L" failed: " + system + L" (error " + std::to_wstring(code) + L")";
}

} // namespace conferencebus::messages
