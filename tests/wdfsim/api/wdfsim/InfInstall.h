// How Windows installs a device from an INF, as far as the simulated machine needs it: the
// models section and install section it picks, and the device properties that the install
// section's DDInstall.HW AddReg sets. Read with the platform's INF parser (SetupAPI).
#pragma once

#include <string>

#include "wdfsim/Machine.h"

namespace wdfsim {

struct InfModel {
    std::wstring modelsSection;  // empty when no model of the INF matches
    std::wstring installSection; // as the models line names it, undecorated
    DeviceProperties properties;
};

// The model for the hardware id on x64 Windows 10.0 of the given build: of the manufacturer's
// NTamd64 models sections, the most specific one whose version and build the system meets.
InfModel ReadInfModel(const std::wstring& infPath, const std::wstring& hardwareId, unsigned build);

} // namespace wdfsim
