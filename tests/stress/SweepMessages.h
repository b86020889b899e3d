// The messages of a clean run of each workflow on the prepared system, and the ones
// that the fault rules edit those logs around. Spelled out here rather than taken from
// the program, so that a changed text shows.
#pragma once

#include "Messages.h"

#include <string>

namespace sweep {

using setuptest::Lines;

extern const wchar_t SetupSuccess[];
extern const wchar_t SetupFailed[];
extern const wchar_t NodeDetected[];
extern const wchar_t InstallNodeCreated[];
extern const wchar_t DriverInstalled[];
extern const wchar_t NoMoreItems[];
extern const wchar_t NoInstanceFound[];

// The "Current HWID" line of device node removal for our id, and the removal that
// follows it.
std::wstring RemovalSeesOurs();
std::wstring RemovalFoundOurs();

// The two lines of a wWinMain run before its dispatch; `callLine` is the second one.
Lines Banner(const std::wstring& callLine);

// A clean run on the prepared system, banner included.
Lines CleanInstall(const Lines& banner, const std::wstring& infPath);
Lines CleanRemove(const Lines& banner, const std::wstring& infPath,
                  const std::wstring& infDirectory);

} // namespace sweep
