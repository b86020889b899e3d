// The verifier checks of the simulation: each must fail a test that breaks its rule.

#include "BusTest.h"

#include <gtest/gtest-spi.h>

namespace {

void CompleteTwice() {
    wdfsim::Request request;
    const auto handle = wdfsim::HandleOf<WDFREQUEST>(&request);
    WdfRequestComplete(handle, STATUS_SUCCESS);
    WdfRequestComplete(handle, STATUS_SUCCESS);
}

// Sends a control request with an 8-byte output buffer to a bus whose queue hands it to
// the given callback instead of the driver's.
void SendThrough(PFN_WDF_IO_QUEUE_IO_DEVICE_CONTROL callback) {
    wdfsim::Machine machine;
    machine.LoadDriver();
    machine.AddBus();
    wdfsim::HandleId handle;
    machine.Open(0, wdfsim::FileReadData, &handle);
    wdfsim::Current().buses[0]->defaultQueue->config.EvtIoDeviceControl = callback;
    uint8_t output[8];
    machine.DeviceControl(handle, IOCTL_BUS_UNPLUG_CHILD, nullptr, 0, output, sizeof(output));
}

} // namespace

TEST(Verifier, RequestCompletedTwice) {
    EXPECT_NONFATAL_FAILURE(
        {
            wdfsim::Machine machine;
            CompleteTwice();
        },
        "request completed twice");
}

TEST(Verifier, LeakedPool) {
    EXPECT_NONFATAL_FAILURE(
        {
            wdfsim::Machine machine;
            ExAllocatePoolWithTag(NonPagedPoolNx, 6, BUS_POOL_TAG);
        },
        "pool block leaked: 6 bytes, tag 0x45737542");
}

TEST(Verifier, DoubleFree) {
    EXPECT_NONFATAL_FAILURE(
        {
            wdfsim::Machine machine;
            PVOID block = ExAllocatePoolWithTag(NonPagedPoolNx, 6, BUS_POOL_TAG);
            ExFreePoolWithTag(block, 0);
            ExFreePoolWithTag(block, 0);
        },
        "not allocated");
}

TEST(Verifier, WrongTag) {
    EXPECT_NONFATAL_FAILURE(
        {
            wdfsim::Machine machine;
            ExFreePoolWithTag(ExAllocatePoolWithTag(NonPagedPoolNx, 6, BUS_POOL_TAG), 0x41414141);
        },
        "wrong tag");
}

TEST(Verifier, PageableCodeAtDispatchLevel) {
    EXPECT_NONFATAL_FAILURE(
        {
            wdfsim::Machine machine;
            machine.LoadDriver();
            machine.AddBus();
            wdfsim::IrqlScope raised(DISPATCH_LEVEL);
            UnplugChild(wdfsim::HandleOf<WDFDEVICE>(wdfsim::Current().buses[0].get()), 0);
        },
        "pageable routine UnplugChild ran at IRQL 2");
}

TEST(Verifier, RequestNeverCompleted) {
    EXPECT_NONFATAL_FAILURE(SendThrough([](WDFQUEUE, WDFREQUEST, size_t, size_t, ULONG) {}),
                            "returned without completing its request");
}

TEST(Verifier, InformationBeyondTheOutputBuffer) {
    EXPECT_NONFATAL_FAILURE(SendThrough([](WDFQUEUE, WDFREQUEST request, size_t, size_t, ULONG) {
                                WdfRequestCompleteWithInformation(request, STATUS_SUCCESS, 9);
                            }),
                            "INFORMATION_LENGTH_MISMATCH");
}

TEST(Verifier, DescriptionCallbacksRunUnderTheListLock) {
    wdfsim::Machine machine;
    ASSERT_EQ(STATUS_SUCCESS, machine.LoadDriver());
    ASSERT_EQ(STATUS_SUCCESS, machine.AddBus());
    auto& config = wdfsim::Current().buses[0]->childList->config;
    static KIRQL seen;
    config.EvtChildListIdentificationDescriptionCompare =
        [](WDFCHILDLIST, PWDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER,
           PWDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER) -> BOOLEAN {
        seen = KeGetCurrentIrql();
        return FALSE;
    };
    config.EvtChildListIdentificationDescriptionDuplicate =
        [](WDFCHILDLIST, PWDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER,
           PWDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER destination) -> NTSTATUS {
        EXPECT_EQ(DISPATCH_LEVEL, KeGetCurrentIrql());
        CONTAINING_RECORD(destination, CHILD_ID_DESCRIPTION, Header)->HardwareIds = nullptr;
        return STATUS_SUCCESS;
    };
    CHILD_ID_DESCRIPTION description;
    WDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER_INIT(&description.Header, sizeof(description));
    WDFCHILDLIST list =
        WdfFdoGetDefaultChildList(wdfsim::HandleOf<WDFDEVICE>(wdfsim::Current().buses[0].get()));
    ASSERT_EQ(STATUS_SUCCESS,
              WdfChildListAddOrUpdateChildDescriptionAsPresent(list, &description.Header, nullptr));
    ASSERT_EQ(STATUS_SUCCESS,
              WdfChildListAddOrUpdateChildDescriptionAsPresent(list, &description.Header, nullptr));
    EXPECT_EQ(DISPATCH_LEVEL, seen);
    EXPECT_EQ(PASSIVE_LEVEL, KeGetCurrentIrql());
    // The list does not take a description of another size.
    description.Header.IdentificationDescriptionSize = 8;
    EXPECT_EQ(STATUS_INVALID_DEVICE_REQUEST,
              WdfChildListAddOrUpdateChildDescriptionAsPresent(list, &description.Header, nullptr));
    EXPECT_EQ(STATUS_INVALID_DEVICE_REQUEST,
              WdfChildListUpdateChildDescriptionAsMissing(list, &description.Header));
}
