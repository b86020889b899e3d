// The setup program's log texts, spelled out here once rather than taken from the
// program, so that a changed text shows. Wide strings, as the program writes them and the
// debugger gets them; FileBytes gives the log file's bytes.
#pragma once

#include <string>
#include <vector>

namespace logtext {

using Lines = std::vector<std::wstring>;
Lines operator+(Lines first, const Lines& second);

// The file form of messages whose text is plain ASCII: each line feed becomes CR LF.
std::string FileBytes(const Lines& messages);

// The bytes of the setup program's log file; empty when there is no file.
std::string ReadLogFile();

// Where a program run from the kit's default folder finds its INF.
extern const wchar_t DefaultInfPath[];

extern const wchar_t WrongAction[];
extern const wchar_t SetupSuccess[];
extern const wchar_t SetupFailed[];

extern const wchar_t InstallBegin[];
extern const wchar_t InstallBeforeWindows10[];
extern const wchar_t InstallBeforeBuild14393[];
extern const wchar_t NodeDetected[];
extern const wchar_t RegisterSuccess[];
extern const wchar_t InstallNodeCreated[];
extern const wchar_t DriverInstalled[];
extern const wchar_t InstallFinished[];
extern const wchar_t RescanNotLocated[];

extern const wchar_t UninstallBegin[];
extern const wchar_t UninstallBeforeWindows10[];
extern const wchar_t UninstallBeforeBuild14393[];
extern const wchar_t NoMoreItems[];
extern const wchar_t NoInstanceFound[];
extern const wchar_t UninstallNodesRemoved[];
extern const wchar_t UninstallPackagesRemoved[];
extern const wchar_t UninstallPackagesNotFound[]; // no OEM INF at all
extern const wchar_t UninstallFinished[];

// The service helpers' lines; the service does not exist when OpenService fails with 1060.
extern const wchar_t ServiceStopEntry[];
extern const wchar_t ServiceStopped[];
extern const wchar_t ServiceNotRunning[];
extern const wchar_t NoSuchService[];
extern const wchar_t ServiceDeleted[];

// The two banner lines; `callLine` is the second one.
Lines Banner(const std::wstring& callLine);
// The entry's lines before Install and Uninstall.
Lines Installing();
Lines Removing();
// Each action refused before Windows 10.
Lines InstallBeforeWindows10Run();
Lines UninstallBeforeWindows10Run();

std::wstring Configuration(const std::wstring& infPath = DefaultInfPath);

// One "Current HWID" line of the named operation for each id.
Lines CurrentHwids(const wchar_t* operation, const Lines& ids);

// CreateDeviceNode up to the written property, then the check seeing `seen`.
Lines CreateNodeUntilDetection(const Lines& seen);

// RemoveDeviceNode's first two lines, its "Found an instance" line for our id and its
// walk over a class whose present devices carry `seen`, none of them ours.
Lines RemoveNodeStart();
std::wstring RemovalFound(int count);
Lines RemoveNodeFindingNone(const Lines& seen);

std::wstring OemInfMatched(const std::wstring& path);
std::wstring OemInfDidNotMatch(const std::wstring& path);
std::wstring OemInfRemoving(const std::wstring& file);

// A whole install from the entry's first line on that finds our node among `seen` (ours
// last); `rescan` are the rescan's lines.
Lines InstallFindingOurNode(const std::wstring& infPath, const Lines& seen, const Lines& rescan);

// Uninstall on a machine without our nodes and packages whose INF directory holds one
// foreign oem1.inf; `afterPackages` are the lines from the rescan on.
Lines UninstallFindingNothing(const std::wstring& infDirectory, const Lines& afterPackages);

// PrivateCleanup on a machine without the service and without its key, and on one with
// the service (stopped when `running` is false) and its key.
Lines CleanupWithoutServiceOrKey();
Lines CleanupOfService(bool running);

} // namespace logtext
