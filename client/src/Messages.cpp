#include "Messages.h"

#include <cwchar>

namespace conferencebus::messages {

namespace {

// A character as U+XXXX, which shows even a control character or half of a pair safely; a
// surrogate pair is the one character it encodes.
std::wstring CodePoint(const std::wstring& text, size_t position) {
    unsigned long point = text[position];
    if (IS_HIGH_SURROGATE(text[position]) && position + 1 < text.size() &&
        IS_LOW_SURROGATE(text[position + 1])) {
        point = 0x10000 + ((point - 0xD800) << 10) + (text[position + 1] - 0xDC00);
    }
    wchar_t shown[16];
    std::swprintf(shown, ARRAYSIZE(shown), L"U+%04lX", point);
    return shown;
}

} // namespace

std::wstring NoBus() {
    return L"no ConferenceBus device is present";
}

std::wstring NoBusAt(const std::wstring& path) {
    return L"no ConferenceBus device is present at " + path;
}

std::wstring AccessDenied() {
    return L"access denied: another program holds the bus, or this one does not run as "
           L"administrator";
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

std::wstring RefusedId(BUS_ID_VERDICT verdict, size_t number, const std::wstring& id,
                       size_t position, ULONG serialNumber) {
    const std::wstring which = L"hardware id " + std::to_wstring(number);
    switch (verdict) {
    case BusIdEmpty:
        return which + L" is empty";
    case BusIdForbiddenCharacter:
        // Every character before the first forbidden one is ASCII: the index counts characters.
        return which + L" holds " + CodePoint(id, position) + L" at character " +
               std::to_wstring(position + 1) + L": ids take only U+0021 to U+007F, and no comma";
    case BusIdTooLong:
        return which + L" is longer than " + std::to_wstring(BUS_MAX_ID_LENGTH) + L" characters";
    case BusIdNotEnumeratorForm:
        return which + L" is the device id and needs the form ENUMERATOR\\ID, with one backslash";
    case BusIdInstancePathTooLong:
        return which + L" is longer than " +
               std::to_wstring(BUS_MAX_DEVICE_AND_INSTANCE_ID_LENGTH -
                               BusInstanceIdLength(serialNumber)) +
               L" characters, the most the device id of serial " + std::to_wstring(serialNumber) +
               L" may have";
    case BusIdAccepted:
        break;
    }
    return std::wstring();
}

std::wstring ChildBeingRemoved(ULONG serialNumber, DWORD waitedMilliseconds) {
    return L"the earlier child with serial " + std::to_wstring(serialNumber) +
           L" is still being removed after " + std::to_wstring(waitedMilliseconds / 1000) +
           L" seconds; try again later";
}

std::wstring NotOpen() {
    return L"the bus is not open";
}

std::wstring ListingFailed(const wchar_t* call, DWORD result) {
    return std::wstring(L"listing the child devices failed: ") + call +
           L" returned configuration manager result " + std::to_wstring(result);
}

std::wstring Failed(const wchar_t* what, DWORD code) {
    std::wstring system = SystemText(code);
    if (system.empty()) {
        system = L"unknown error";
    }
    // Inside a sentence the system's text loses its own period.
    while (!system.empty() && (system.back() == L'\n' || system.back() == L'\r' ||
                               system.back() == L' ' || system.back() == L'.')) {
        system.pop_back();
    }
    return std::wstring(what) + L" failed: " + system + L" (error " + std::to_wstring(code) + L")";
}

BusError StepFailed(const std::wstring& what, DWORD code) {
    return {code, Failed(what.c_str(), code)};
}

BusError StepFailed(const std::wstring& what) {
    return StepFailed(what, GetLastError());
}

std::wstring SystemText(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    const std::wstring system = length != 0 ? std::wstring(text, length) : std::wstring();
    LocalFree(text);
    return system.substr(0, system.find_last_not_of(L"\r\n") + 1);
}

} // namespace conferencebus::messages
