// The bus node as ConferenceBus.inf installs it on Windows 10 version 2004, for the suites
// that run the driver in the framework simulation (CONFERENCE_BUS_INF names the INF).
#pragma once

#include "KitFacts.h"
#include "wdfsim/InfInstall.h"

#include <gtest/gtest.h>

inline wdfsim::DeviceProperties InstalledBusProperties() {
    static const wdfsim::InfModel model =
        wdfsim::ReadInfModel(CONFERENCE_BUS_INF, kit::BusHardwareId, 19041);
    EXPECT_FALSE(model.modelsSection.empty()) << "the INF has no model for the bus";
    return model.properties;
}
