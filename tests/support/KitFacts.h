// The kit's facts: what the setup program and the bus act on, written out here once, on
// their own rather than taken from the product, so that the tests hold the product to the
// package contract and not to itself.
#pragma once

// The GUID type alone: the driver tests build against the simulation's kernel headers.
#include <guiddef.h>

namespace kit {

inline const wchar_t HardwareId[] = L"Root\\VID_TALVOREN_VIRTUAL_DISPLAY_0001";
inline const wchar_t ServiceName[] = L"TalvorenVirtualDisplay";
inline const wchar_t FrameworkServiceKey[] =
    L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\WUDF\\Services\\TalvorenVirtualDisplay";
// Written by the package's install section and taken away by its uninstall section.
inline const wchar_t PackageSettingsKey[] = L"SOFTWARE\\Talvoren\\VirtualDisplay";
inline const wchar_t InfName[] = L"TalvorenDisplay.inf";
inline const wchar_t InstallSection[] = L"TalvorenDisplay_Install.NT";
inline const wchar_t LogPath[] = L"C:\\Users\\Public\\TalvorenDisplaySetup.log";
inline const char LogPathBytes[] = "C:\\Users\\Public\\TalvorenDisplaySetup.log";
inline const wchar_t ProgramName[] = L"TalvorenSetup64.exe";

// The driver's files, relative to the system directory.
inline const wchar_t* const DriverFiles[] = {
    L"drivers\\TalvorenVirtualDisplay.sys",
    L"drivers\\UMDF\\TalvorenVirtualDisplay1_0.dll",
    L"drivers\\UMDF\\TalvorenVirtualDisplay1_2.dll",
    L"drivers\\UMDF\\TalvorenVirtualDisplay.dll",
};
inline const wchar_t* const PackageFiles[] = {
    L"TalvorenDisplay.inf",           L"TalvorenVirtualDisplay.sys",
    L"TalvorenVirtualDisplay1_0.dll", L"TalvorenVirtualDisplay1_2.dll",
    L"TalvorenVirtualDisplay.dll",
};

// GUID_DEVCLASS_DISPLAY.
inline const GUID DisplayClass = {
    0x4D36E968, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
inline const wchar_t DisplayClassText[] = L"{4D36E968-E325-11CE-BFC1-08002BE10318}";

// The conference bus: its node's hardware id, its control interface and its children.
inline const wchar_t BusHardwareId[] = L"Root\\FenwarelConferenceBus";
inline const wchar_t BusInterfaceClassText[] = L"{1134d362-3dfb-4ba5-b9ae-14900e448a11}";
inline const GUID BusInterfaceClass = {
    0x1134d362, 0x3dfb, 0x4ba5, {0xb9, 0xae, 0x14, 0x90, 0x0e, 0x44, 0x8a, 0x11}};
// The bus's name: its INF's device description and the location of each child.
inline const wchar_t BusName[] = L"Fenwarel Conference Bus";
// A child's description is this followed by its instance id.
inline const wchar_t ChildDescriptionPrefix[] = L"FenwarelConferenceDevice_";

} // namespace kit
