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
