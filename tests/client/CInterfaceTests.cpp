// ConferenceBusClient.dll's code, driven by callers written in C, against the driver in the
// framework simulation.

#include <new>
#include <thread>

#include <gtest/gtest.h>

#include "CInterfaceScenarios.h"
#include "ConferenceBusClientC.h"
#include "Seam.h"
#include "SimulatedBus.h"

TEST(CInterface, PlugsAndUnplugs) {
    SimulatedBus simulated;
    EXPECT_EQ(0, PlugAndUnplugFromC());
    // The four calls refused before the bus sent nothing; closing the handle unplugged serial 7.
    EXPECT_EQ(7u, simulated.Requests().size());
    EXPECT_TRUE(simulated.machine().Children(0).empty());
    EXPECT_EQ(0u, simulated.machine().OpenHandles());
}

TEST(CInterface, FindsAndOpensTheSecondBus) {
    SimulatedBus simulated(2);
    EXPECT_EQ(0, FindAndOpenFromC(simulated.Path(0).c_str(), simulated.Path(1).c_str()));
    EXPECT_EQ(0u, simulated.machine().OpenHandles());
}

TEST(CInterface, NoBusPresent) {
    SimulatedBus simulated(0);
    EXPECT_EQ(0, OpenFailsFromC(ERROR_DEV_NOT_EXIST, L"no ConferenceBus device is present"));
    // The words of the last failure belong to the thread that failed.
    HCONFERENCEBUS bus = nullptr;
    ASSERT_EQ(DWORD{ERROR_DEV_NOT_EXIST}, ConferenceBusOpen(nullptr, &bus));
    std::thread([] {
        EXPECT_TRUE(MessageIs(ERROR_DEV_NOT_EXIST, L"Device does not exist."));
    }).join();
    EXPECT_TRUE(MessageIs(ERROR_DEV_NOT_EXIST, L"no ConferenceBus device is present"));
}

TEST(CInterface, NoExceptionLeavesTheInterface) {
    SimulatedBus simulated;
    SEAM_OVERRIDE(SetupDiGetClassDevsW,
                  [](const GUID*, PCWSTR, HWND, DWORD) -> HDEVINFO { throw std::bad_alloc(); });
    HCONFERENCEBUS bus = nullptr;
    EXPECT_EQ(DWORD{ERROR_OUTOFMEMORY}, ConferenceBusOpen(nullptr, &bus));
    EXPECT_EQ(nullptr, bus);
    DWORD length = 0;
    EXPECT_EQ(DWORD{ERROR_OUTOFMEMORY}, ConferenceBusFindBuses(nullptr, &length));
}

// The bus's installation and removal through the C interface: the library's results, and its
// messages for ConferenceBusErrorMessage.
TEST(CInterface, InstallsAndRemovesTheBus) {
    SimulatedBus simulated(0);
    BOOL created = FALSE;
    BOOL restart = TRUE;
    EXPECT_EQ(DWORD{ERROR_SUCCESS},
              ConferenceBusInstallBus(CONFERENCE_BUS_INF, &created, &restart));
    EXPECT_TRUE(created);
    EXPECT_FALSE(restart);
    EXPECT_EQ(DWORD{ERROR_SUCCESS}, ConferenceBusInstallBus(CONFERENCE_BUS_INF, &created, nullptr));
    EXPECT_FALSE(created);

    // No path: the INF beside the program.
    simulated.RunBesideBusInf();
    seam::FailCall("UpdateDriverForPlugAndPlayDevicesW",
                   seam::CountOf("UpdateDriverForPlugAndPlayDevicesW") + 1, FALSE,
                   ERROR_ACCESS_DENIED);
    EXPECT_EQ(DWORD{ERROR_ACCESS_DENIED}, ConferenceBusInstallBus(nullptr, nullptr, nullptr));
    WCHAR message[300];
    DWORD length = ARRAYSIZE(message);
    ASSERT_EQ(DWORD{ERROR_SUCCESS},
              ConferenceBusErrorMessage(ERROR_ACCESS_DENIED, message, &length));
    EXPECT_STREQ(L"installing the driver package failed: Access denied (error 5)", message);

    DWORD devices = 0;
    DWORD packages = 0;
    EXPECT_EQ(DWORD{ERROR_SUCCESS}, ConferenceBusRemoveBus(&devices, &packages, &restart));
    EXPECT_EQ(1u, devices);
    EXPECT_EQ(1u, packages);
    EXPECT_FALSE(restart);
    EXPECT_EQ(DWORD{ERROR_SUCCESS}, ConferenceBusRemoveBus(nullptr, nullptr, nullptr));
    EXPECT_TRUE(simulated.BusNodes().empty());
}
