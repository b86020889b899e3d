// What the setup program acts on, written out here on their own rather than taken from
// the program, so that the scenarios hold the program to the package contract and not
// to itself.
#pragma once

#include <windows.h>

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

} // namespace kit
