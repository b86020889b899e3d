// The uninstall workflow of the shipping program on a Windows 10 prefix prepared as an
// installation of the package leaves it.
#include "ExpectedLog.h"
#include "SetupScenario.h"
#include "support/SystemState.h"

#include "KitFacts.h"

#include <algorithm>

namespace {

class Remove : public SetupScenario {
protected:
    void SetUp() override {
        SetupScenario::SetUp();
        ReportWindows(L"10.0", L"19041");
    }
};

Lines Begin() {
    return MaskedBanner() + Removing() + Lines{UninstallBegin, Configuration(KitInfPath)};
}

// The device walk of a system with two nodes of the kit and the two lookalikes.
Lines RemoveTwoDevices() {
    const auto hwids = [](const Lines& ids) { return CurrentHwids(L"RemoveDeviceNode", ids); };
    return Begin() + RemoveNodeStart() + hwids({WineDisplayAdapter, kit::HardwareId}) +
           Lines{RemovalFound(1)} + hwids({kit::HardwareId}) + Lines{RemovalFound(2)} +
           hwids({prep::LookalikeDevices[0][0], prep::LookalikeDevices[1][0]}) +
           Lines{NoMoreItems, UninstallNodesRemoved} + RemovePackages();
}

const Lines Finish = {UninstallFinished, SetupSuccess};

// What every removal on a prepared system leaves: the lookalikes as they were, and on Wine
// all five packages, since its SetupUninstallOEMInfW without the force flag deletes nothing.
void ExpectRemovedFrom(const SystemState& before) {
    const SystemState after = CaptureSystemState();
    SystemState expected = before;
    auto& devices = expected.rootDisplayDevices;
    devices.erase(std::remove_if(devices.begin(), devices.end(),
                                 [](const DeviceNode& device) {
                                     return device.hardwareIds == Lines{kit::HardwareId};
                                 }),
                  devices.end());
    expected.serviceState = 0;
    expected.frameworkServiceKey = false;
    expected.packageSettingsKey = false;
    expected.driverFiles.clear();
    EXPECT_EQ(Describe(expected), Describe(after));
}

// The service is there but stopped: the stop fails, the delete succeeds. The uninstall
// section runs (it takes the package's settings away) and the framework's key goes without
// a word.
TEST_F(Remove, InstalledSystemWithServiceKeyAndFiles) {
    Prepare({2, true});
    const SystemState before = CaptureSystemState();
    ASSERT_EQ(SERVICE_STOPPED, before.serviceState) << Describe(before);

    EXPECT_EQ(0u, RunSetup(L"remove"));

    EXPECT_EQ(FileBytes(RemoveTwoDevices() + CleanupOfService(false) + Finish), Log());
    ExpectRemovedFrom(before);
}

TEST_F(Remove, InstalledSystemWithoutServiceKeyAndFiles) {
    Prepare({2, false});
    const SystemState before = CaptureSystemState();

    EXPECT_EQ(0u, RunSetup(L"remove"));

    // 1060: no such service, for the stop and for the delete; 2: no such key. Missing
    // files leave no trace.
    EXPECT_EQ(FileBytes(RemoveTwoDevices() + CleanupWithoutServiceOrKey() + Finish), Log());
    ExpectRemovedFrom(before);
}

// Nothing was ever installed: no device is found, and with no OEM INF at all the package
// search fails with the platform's code, which ends the run as a failure.
TEST_F(Remove, SystemWithoutAnyPackage) {
    EXPECT_EQ(0u, RunSetup(L"remove"));

    EXPECT_EQ(FileBytes(Begin() + RemoveNodeFindingNone({WineDisplayAdapter}) +
                        Lines{UninstallNodesRemoved,
                              L"IDDDeviceInfoSet::RemoveDriverOemInf FindFirstFileW failed 2\n",
                              UninstallPackagesNotFound, SetupFailed}),
              Log());
}

} // namespace
