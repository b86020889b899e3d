// The control handle and the requests sent on it.

#include "Interface.h"
#include "Messages.h"

namespace conferencebus {

namespace {

// Plug and Play removes an unplugged child within moments; a re-plug of its serial number
// waits that long for it, but not for a removal that hangs.
constexpr DWORD ReplugWaitMilliseconds = 5000;
constexpr DWORD ReplugPollMilliseconds = 100;

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// The bus refuses a well-formed request only for the reason the caller is given here; a
// request it never refuses passes no refusal, and an invalid parameter then reads as any
// other failure.
BusError Explain(const BusError& result, const std::wstring& refusal, const wchar_t* request) {
    if (!result.Failed() || !result.message.empty()) {
        return result;
    }
    if (result.code == ERROR_INVALID_PARAMETER && !refusal.empty()) {
        return {result.code, refusal};
    }
    return messages::StepFailed(request, result.code);
}

} // namespace

BusClient::~BusClient() {
    Close();
}

BusClient::BusClient(BusClient&& other) noexcept
    : handle_(other.handle_), device_(other.device_), path_(std::move(other.path_)) {
    other.handle_ = INVALID_HANDLE_VALUE;
}

BusClient& BusClient::operator=(BusClient&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = other.handle_;
        device_ = other.device_;
        path_ = std::move(other.path_);
        other.handle_ = INVALID_HANDLE_VALUE;
    }
    return *this;
}

BusError BusClient::Open(const std::wstring& interfacePath) {
    Close();
    std::vector<BusInterface> buses;
    BusError result = EnumerateBuses(&buses);
    if (result.Failed()) {
        return result;
    }
    const BusInterface* chosen = nullptr;
    for (const BusInterface& bus : buses) {
        if (interfacePath.empty() || SamePath(bus.path, interfacePath)) {
            chosen = &bus;
            break;
        }
    }
    if (chosen == nullptr) {
        return {ERROR_DEV_NOT_EXIST,
                interfacePath.empty() ? messages::NoBus() : messages::NoBusAt(interfacePath)};
    }

    // Both requests need read access. The bus admits one caller at a time, and only SYSTEM
    // and Administrators; the I/O manager refuses an open for either reason with
    // ERROR_ACCESS_DENIED. Nothing tells the two apart reliably: a probing second open would
    // itself be a caller, running the driver's create and cleanup on a free bus and, while it
    // lasted, refusing another program's open; the caller's groups say nothing about a
    // holder, nor about the security the device really has. So the message names both.
    handle_ = CreateFileW(chosen->path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return {error, error == ERROR_ACCESS_DENIED ? messages::AccessDenied()
                                                    : messages::Failed(L"CreateFile", error)};
    }
    path_ = chosen->path;
    device_ = chosen->device;
    return {};
}

void BusClient::Close() {
    if (handle_ != INVALID_HANDLE_VALUE) {
        CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        device_ = 0;
        path_.clear();
    }
}

BusError BusClient::Send(ULONG code, const void* input, DWORD inputLength) {
    if (!IsOpen()) {
        return {ERROR_INVALID_HANDLE, messages::NotOpen()};
    }
    // Neither request returns data: no output buffer, so the byte count is not copied.
    DWORD returned = 0;
    if (!DeviceIoControl(handle_, code, const_cast<void*>(input), inputLength, nullptr, 0,
                         &returned, nullptr)) {
        const DWORD error = GetLastError();
        return {error, {}};
    }
    return {};
}

BusError BusClient::PlugIn(ULONG serialNumber, const std::vector<std::wstring>& hardwareIds) {
    BusError result = CheckHardwareIds(serialNumber, hardwareIds);
    if (result.Failed()) {
        return result;
    }
    const std::vector<BYTE> record = PlugInRecord(serialNumber, hardwareIds);
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        result = Send(IOCTL_BUS_PLUGIN_CHILD, record.data(), static_cast<DWORD>(record.size()));
        if (result.code != BUS_ERROR_CHILD_BEING_REMOVED) {
            break;
        }
        if (GetTickCount64() - start >= ReplugWaitMilliseconds) {
            return {result.code, messages::ChildBeingRemoved(serialNumber, ReplugWaitMilliseconds)};
        }
        Sleep(ReplugPollMilliseconds);
    }
    return Explain(result, messages::AlreadyPlugged(serialNumber), L"The plug-in request");
}

BusError BusClient::Unplug(ULONG serialNumber) {
    const BusError refused = CheckUnplugSerial(serialNumber);
    if (refused.Failed()) {
        return refused;
    }
    BUS_UNPLUG_INPUT input{sizeof(BUS_UNPLUG_INPUT), serialNumber, {0, 0}};
    const BusError result = Send(IOCTL_BUS_UNPLUG_CHILD, &input, sizeof(input));
    return Explain(result, messages::NoChild(serialNumber), L"The unplug request");
}

BusError BusClient::UnplugAll() {
    BUS_UNPLUG_INPUT input{sizeof(BUS_UNPLUG_INPUT), BUS_UNPLUG_ALL_CHILDREN, {0, 0}};
    const BusError result = Send(IOCTL_BUS_UNPLUG_CHILD, &input, sizeof(input));
    return Explain(result, std::wstring(), L"The unplug request");
}

} // namespace conferencebus
