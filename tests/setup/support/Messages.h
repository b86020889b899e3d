// The program's messages that several suites expect, spelled out here on their own
// rather than taken from the program, so that a changed text shows.
#pragma once

#include <string>
#include <vector>

namespace setuptest {

using Lines = std::vector<std::wstring>;
Lines operator+(Lines first, const Lines& second);

// Where the fake machine's program finds its INF.
extern const wchar_t DefaultInfPath[];

extern const wchar_t InstallBegin[];
extern const wchar_t InstallBeforeWindows10[];
extern const wchar_t UninstallBegin[];
extern const wchar_t UninstallBeforeWindows10[];
extern const wchar_t UninstallNodesRemoved[];
extern const wchar_t UninstallPackagesRemoved[];
extern const wchar_t UninstallFinished[];

std::wstring Configuration(const std::wstring& infPath = DefaultInfPath);

// One "Current HWID" line of the named operation for each id.
Lines CurrentHwids(const wchar_t* operation, const Lines& ids);

// CreateDeviceNode up to the written property, then the check seeing `seen`.
Lines CreateNodeUntilDetection(const Lines& seen);
extern const wchar_t RegisterSuccess[];

// RemoveDeviceNode over a class whose present devices carry `seen`, none of them ours.
Lines RemoveNodeFindingNone(const Lines& seen);

std::wstring OemInfMatched(const std::wstring& path);
std::wstring OemInfDidNotMatch(const std::wstring& path);

// Uninstall on a machine without our nodes and packages whose INF directory holds one
// foreign oem1.inf; `afterPackages` are the lines from the rescan on.
Lines UninstallFindingNothing(const std::wstring& infDirectory, const Lines& afterPackages);

// PrivateCleanup on a machine without the service and without its key.
Lines CleanupWithoutServiceOrKey();

} // namespace setuptest
