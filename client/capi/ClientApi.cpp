// The C interface: each function converts its arguments, calls the C++ client and keeps the
// result, message included, for ConferenceBusErrorMessage.

#include "ConferenceBusClient.h"
#include "ConferenceBusClientC.h"
#include "ConferenceBusInstaller.h"
#include "Messages.h"

#include <algorithm>
#include <memory>

using conferencebus::BusClient;
using conferencebus::BusError;

struct ConferenceBusHandle_ {
    BusClient client;
};

namespace {

// The last call of this thread, as GetLastError keeps its code.
thread_local BusError lastCall;

// Runs one call of the interface: nothing it throws reaches the caller, who may not even
// be C++. The only exception the client can raise is a failed allocation.
template <typename Call> DWORD Guarded(Call call) noexcept {
    try {
        lastCall = call();
        return lastCall.code;
    } catch (...) {
        lastCall.code = ERROR_OUTOFMEMORY;
        lastCall.message.clear();
        return ERROR_OUTOFMEMORY;
    }
}

BusError Refused(DWORD code) {
    return {code, std::wstring()};
}

// Copies units, terminators included, to the caller's buffer of *length WCHARs.
BusError CopyOut(const std::wstring& units, LPWSTR buffer, LPDWORD length) {
    const DWORD needed = static_cast<DWORD>(units.size());
    const bool fits = buffer != nullptr && *length >= needed;
    *length = needed;
    if (!fits) {
        return Refused(ERROR_MORE_DATA);
    }
    std::copy(units.begin(), units.end(), buffer);
    return {};
}

// The caller's array of ids; false when a pointer that must be there is not.
bool ReadIds(const LPCWSTR* hardwareIds, DWORD count, std::vector<std::wstring>* ids) {
    if (hardwareIds == nullptr && count != 0) {
        return false;
    }
    for (DWORD index = 0; index < count; index++) {
        if (hardwareIds[index] == nullptr) {
            return false;
        }
        ids->emplace_back(hardwareIds[index]);
    }
    return true;
}

// An output the caller may leave out.
template <typename Value> void SetIfGiven(Value* output, Value value) {
    if (output != nullptr) {
        *output = value;
    }
}

} // namespace

extern "C" {

DWORD __cdecl ConferenceBusOpen(LPCWSTR interfacePath, HCONFERENCEBUS* bus) {
    return Guarded([&] {
        if (bus == nullptr) {
            return Refused(ERROR_INVALID_PARAMETER);
        }
        *bus = nullptr;
        auto opened = std::make_unique<ConferenceBusHandle_>();
        const BusError result = opened->client.Open(interfacePath != nullptr ? interfacePath : L"");
        if (!result.Failed()) {
            *bus = opened.release();
        }
        return result;
    });
}

DWORD __cdecl ConferenceBusPlugIn(HCONFERENCEBUS bus, DWORD serialNumber,
                                  const LPCWSTR* hardwareIds, DWORD hardwareIdCount) {
    return Guarded([&] {
        if (bus == nullptr) {
            return Refused(ERROR_INVALID_HANDLE);
        }
        std::vector<std::wstring> ids;
        return ReadIds(hardwareIds, hardwareIdCount, &ids) ? bus->client.PlugIn(serialNumber, ids)
                                                           : Refused(ERROR_INVALID_PARAMETER);
    });
}

DWORD __cdecl ConferenceBusCheckHardwareIds(DWORD serialNumber, const LPCWSTR* hardwareIds,
                                            DWORD hardwareIdCount) {
    return Guarded([&] {
        std::vector<std::wstring> ids;
        return ReadIds(hardwareIds, hardwareIdCount, &ids)
                   ? conferencebus::CheckHardwareIds(serialNumber, ids)
                   : Refused(ERROR_INVALID_PARAMETER);
    });
}

DWORD __cdecl ConferenceBusUnplug(HCONFERENCEBUS bus, DWORD serialNumber) {
    return Guarded([&] {
        return bus == nullptr ? Refused(ERROR_INVALID_HANDLE) : bus->client.Unplug(serialNumber);
    });
}

DWORD __cdecl ConferenceBusUnplugAll(HCONFERENCEBUS bus) {
    return Guarded(
        [&] { return bus == nullptr ? Refused(ERROR_INVALID_HANDLE) : bus->client.UnplugAll(); });
}

DWORD __cdecl ConferenceBusFindBuses(LPWSTR paths, LPDWORD length) {
    return Guarded([&] {
        if (length == nullptr) {
            return Refused(ERROR_INVALID_PARAMETER);
        }
        std::vector<std::wstring> found;
        const BusError result = conferencebus::FindBuses(&found);
        if (result.Failed()) {
            return result;
        }
        return CopyOut(conferencebus::MultiString(found), paths, length);
    });
}

DWORD __cdecl ConferenceBusListChildren(HCONFERENCEBUS bus, LPWSTR children, LPDWORD length) {
    return Guarded([&] {
        if (bus == nullptr) {
            return Refused(ERROR_INVALID_HANDLE);
        }
        if (length == nullptr) {
            return Refused(ERROR_INVALID_PARAMETER);
        }
        std::vector<conferencebus::ChildDevice> found;
        const BusError result = bus->client.ListChildren(&found);
        if (result.Failed()) {
            return result;
        }
        std::vector<std::wstring> fields;
        for (const conferencebus::ChildDevice& child : found) {
            fields.insert(fields.end(),
                          {child.deviceId, child.instanceId, child.description, child.location});
        }
        return CopyOut(conferencebus::MultiString(fields), children, length);
    });
}

void __cdecl ConferenceBusClose(HCONFERENCEBUS bus) {
    // Closing and freeing allocate nothing, so nothing can throw here.
    delete bus;
}

DWORD __cdecl ConferenceBusErrorMessage(DWORD error, LPWSTR message, LPDWORD length) {
    if (length == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    // Not guarded: asking for the message must not replace the record it reads.
    try {
        std::wstring text = error == lastCall.code && !lastCall.message.empty()
                                ? lastCall.message
                                : conferencebus::messages::SystemText(error);
        if (text.empty()) {
            text = L"error " + std::to_wstring(error);
        }
        text.push_back(L'\0');
        return CopyOut(text, message, length).code;
    } catch (...) {
        return ERROR_OUTOFMEMORY;
    }
}

DWORD __cdecl ConferenceBusInstallBus(LPCWSTR infPath, BOOL* deviceCreated, BOOL* restartNeeded) {
    return Guarded([&] {
        conferencebus::BusInstall outcome;
        const BusError result =
            conferencebus::InstallBus(infPath != nullptr ? infPath : L"", &outcome);
        SetIfGiven(deviceCreated, outcome.created ? TRUE : FALSE);
        SetIfGiven(restartNeeded, outcome.restartNeeded ? TRUE : FALSE);
        return result;
    });
}

DWORD __cdecl ConferenceBusRemoveBus(LPDWORD devicesRemoved, LPDWORD packagesRemoved,
                                     BOOL* restartNeeded) {
    return Guarded([&] {
        conferencebus::BusRemoval outcome;
        const BusError result = conferencebus::RemoveBus(&outcome);
        SetIfGiven(devicesRemoved, outcome.devices);
        SetIfGiven(packagesRemoved, outcome.packages);
        SetIfGiven(restartNeeded, outcome.restartNeeded ? TRUE : FALSE);
        return result;
    });
}

} // extern "C"
