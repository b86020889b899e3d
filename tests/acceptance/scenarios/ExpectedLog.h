// Pieces of the log that many scenarios share. Texts are written with "\n"; Crlf turns
// them into the bytes of the file. The fixed pieces are character arrays, so that other
// files may build their own constants from them during static initialisation.
#pragma once

#include <string>
#include <vector>

// Every line feed as CR LF, as the log file holds it.
std::string Crlf(const std::string& text);

// First hardware id of the display adapter that Wine puts in every prefix.
extern const char WineDisplayAdapter[];

// The two banner lines, with the date and time masked as SetupScenario::Log masks them.
extern const char Banner[];

// The configuration listing of a workflow run from C:\Talvoren Kit.
extern const char Configuration[];

// A whole install run on Windows 10 build 14393 or later, its device search listing
// these first hardware ids and taking the last for the device. Wine's DiInstallDriverW
// succeeds without staging anything, and its configuration manager cannot locate the
// root node.
std::string InstallRun(const std::vector<std::string>& listedIds);

// An install run on a Windows 10 prefix without the device. Wine lists the element that
// the program has just created, not yet registered, as a present device, so the program
// takes it for the device and registers nothing.
std::string InstallWithoutDevice();

// The lines of an uninstall run from the package removal to the rescan, on a system
// prepared with both versions of the package and the three other packages. The kit's
// two versions match (Wine's SetupUninstallOEMInfW without the force flag reports
// success and deletes nothing), the others do not.
extern const char RemovePackages[];
