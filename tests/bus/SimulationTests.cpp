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

// Sends a control request with an output buffer of the given length (a pointer even for 0)
// to a bus whose queue hands it to the given callback instead of the driver's.
void SendThrough(PFN_WDF_IO_QUEUE_IO_DEVICE_CONTROL callback, size_t outputLength = 8) {
    wdfsim::Machine machine;
    machine.LoadDriver();
    machine.AddBus();
    wdfsim::HandleId handle;
    machine.Open(0, wdfsim::FileReadData, &handle);
    wdfsim::Current().buses[0]->defaultQueue->config.EvtIoDeviceControl = callback;
    uint8_t output[8];
    machine.DeviceControl(handle, IOCTL_BUS_UNPLUG_CHILD, nullptr, 0, output, outputLength);
}

// A bus whose child list takes descriptions straight from the test, as from a driver that
// checks nothing.
class UncheckedBus {
public:
    UncheckedBus() {
        machine.LoadDriver();
        machine.AddBus();
        list = WdfFdoGetDefaultChildList(
            wdfsim::HandleOf<WDFDEVICE>(wdfsim::Current().buses[0].get()));
    }
    NTSTATUS Add(ULONG serial, std::wstring ids) {
        ids.push_back(L'\0');
        CHILD_ID_DESCRIPTION description = Description(serial);
        description.HardwareIds = &ids[0];
        description.HardwareIdsLength = ids.size() + 1;
        return WdfChildListAddOrUpdateChildDescriptionAsPresent(list, &description.Header, nullptr);
    }
    NTSTATUS Remove(ULONG serial) {
        CHILD_ID_DESCRIPTION description = Description(serial);
        return WdfChildListUpdateChildDescriptionAsMissing(list, &description.Header);
    }

    wdfsim::Machine machine;

private:
    static CHILD_ID_DESCRIPTION Description(ULONG serial) {
        CHILD_ID_DESCRIPTION description;
        WDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER_INIT(&description.Header, sizeof(description));
        description.SerialNumber = serial;
        return description;
    }

    WDFCHILDLIST list;
};

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

TEST(Verifier, InformationForAZeroLengthBufferPassedWithAPointer) {
    EXPECT_NONFATAL_FAILURE(
        SendThrough(
            [](WDFQUEUE, WDFREQUEST request, size_t, size_t, ULONG) {
                WdfRequestCompleteWithInformation(request, STATUS_INVALID_PARAMETER, 16);
            },
            0),
        "information 16 for an output buffer of length 0 passed with a pointer");
}

TEST(PlugAndPlay, InvalidIdIsAFatalError) {
    EXPECT_NONFATAL_FAILURE(
        {
            UncheckedBus bus;
            bus.Add(7, L"E\\CAM 1");
            bus.machine.RunPnp();
        },
        "bug check 0xCA PNP_DETECTED_FATAL_ERROR (3, -, -, 1): invalid ID: device id "
        "\"E\\CAM\\x00201\" holds character 0x0020 at 5");
}

// A re-plug while the old device exists makes a second entry; its device is reported in the
// answer that leaves the old one out, before Plug and Play has removed it.
TEST(PlugAndPlay, TwoDevicesWithTheSameIdsAreAFatalError) {
    EXPECT_NONFATAL_FAILURE(
        {
            UncheckedBus bus;
            bus.Add(5, L"E\\CAM");
            bus.machine.RunPnp();
            bus.Remove(5);
            EXPECT_EQ(STATUS_SUCCESS, bus.Add(5, L"e\\cam"));
            bus.machine.RunPnp();
        },
        "PNP_DETECTED_FATAL_ERROR (1, -, -, 0): duplicate PDO: two children of one bus are "
        "\"e\\cam\\05\"");
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
    // These children have no ids: they must never reach Plug and Play.
    config.EvtChildListCreateDevice = [](WDFCHILDLIST, PWDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER,
                                         PWDFDEVICE_INIT) -> NTSTATUS {
        return STATUS_UNSUCCESSFUL;
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
