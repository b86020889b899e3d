// A view of everything the setup program creates or removes: the root-enumerated display
// device nodes, the OEM INFs of the driver store, the service, the registry keys and the
// driver files.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct DeviceNode {
    std::wstring instanceId;
    std::vector<std::wstring> hardwareIds;
};

struct StagedInf {
    std::wstring fileName; // as the driver store names it, oemNN.inf
    std::wstring infClass;
    std::wstring provider; // after string substitution
    std::wstring driverVer;
};

struct SystemState {
    std::vector<DeviceNode> rootDisplayDevices; // present or not, by instance id
    std::vector<StagedInf> stagedInfs;          // by file name
    DWORD serviceState = 0;                     // SERVICE_STOPPED etc.; 0 when absent
    bool frameworkServiceKey = false;
    bool packageSettingsKey = false;
    std::vector<std::wstring> driverFiles; // those present, relative to the system folder
};

SystemState CaptureSystemState();

// Human-readable, several lines.
std::wstring Describe(const SystemState& state);
