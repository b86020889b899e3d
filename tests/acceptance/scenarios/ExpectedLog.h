// What the shipping program logs under Wine, built from the program's log texts
// (LogTexts.h); the scenarios compare the file's bytes with FileBytes of these lines.
#pragma once

#include "LogTexts.h"

using namespace logtext;

// First hardware id of the display adapter that Wine puts in every prefix.
extern const wchar_t WineDisplayAdapter[];

// Where the program run from the kit's folder, C:\Kit to install, finds its INF.
extern const wchar_t KitInfPath[];

// The two banner lines, with the date and time masked as SetupScenario::Log masks them.
Lines MaskedBanner();

// A whole install run on Windows 10 build 14393 or later, its device search listing
// these first hardware ids and taking the last for the device. Wine's DiInstallDriverW
// succeeds without staging anything, and its configuration manager cannot locate the
// root node.
Lines InstallRun(const Lines& listedIds);

// An install run on a Windows 10 prefix without the device. Wine lists the element that
// the program has just created, not yet registered, as a present device, so the program
// takes it for the device and registers nothing.
Lines InstallWithoutDevice();

// The lines of an uninstall run from the package removal to the rescan, on a system
// prepared with both versions of the package and the three other packages. The kit's
// two versions match (Wine's SetupUninstallOEMInfW without the force flag reports
// success and deletes nothing), the others do not.
Lines RemovePackages();
