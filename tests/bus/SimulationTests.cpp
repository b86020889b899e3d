// The verifier checks of the simulation and Plug and Play's fatal errors: each must fail a
// test that breaks its rule.

#include "BusTest.h"

#include <gtest/gtest-spi.h>

namespace {

WDFDEVICE Bus() {
    return wdfsim::HandleOf<WDFDEVICE>(&BusDevice(0));
}

CHILD_ID_DESCRIPTION Description(ULONG serial) {
    CHILD_ID_DESCRIPTION description;
    WDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER_INIT(&description.Header, sizeof(description));
    description.SerialNumber = serial;
    return description;
}

// A child added straight to the bus's list, as by a driver that checks nothing. Its record
// stays with the bus, which frees it when it goes.
NTSTATUS AddUnchecked(ULONG serial, const std::wstring& id) {
    CHILD_ID_DESCRIPTION description = Description(serial);
    description.Child = BusChildCreate(serial, id.c_str(), id.size());
    InsertTailList(&FdoGetData(Bus())->Children, &description.Child->Link);
    return WdfChildListAddOrUpdateChildDescriptionAsPresent(WdfFdoGetDefaultChildList(Bus()),
                                                            &description.Header, nullptr);
}

NTSTATUS Unplug(ULONG serial) {
    CHILD_ID_DESCRIPTION description = Description(serial);
    return WdfChildListUpdateChildDescriptionAsMissing(WdfFdoGetDefaultChildList(Bus()),
                                                       &description.Header);
}

// The serial numbers an iteration with these flags returns, in the list's order.
std::vector<ULONG> Iterated(ULONG flags) {
    WDFCHILDLIST list = WdfFdoGetDefaultChildList(Bus());
    WDF_CHILD_LIST_ITERATOR iterator;
    WDF_CHILD_LIST_ITERATOR_INIT(&iterator, flags);
    CHILD_ID_DESCRIPTION description = Description(0);
    WDF_CHILD_RETRIEVE_INFO info;
    WDF_CHILD_RETRIEVE_INFO_INIT(&info, &description.Header);
    std::vector<ULONG> serials;
    WDFDEVICE device;
    WdfChildListBeginIteration(list, &iterator);
    while (NT_SUCCESS(WdfChildListRetrieveNextDevice(list, &iterator, &device, &info))) {
        serials.push_back(description.SerialNumber);
    }
    WdfChildListEndIteration(list, &iterator);
    return serials;
}

// Sends a control request with an output buffer of the given length (a pointer even for 0)
// to the bus, whose queue hands it to the given callback instead of the driver's.
void SendThrough(wdfsim::Machine& machine, PFN_WDF_IO_QUEUE_IO_DEVICE_CONTROL callback,
                 size_t outputLength) {
    wdfsim::HandleId handle;
    machine.Open(0, wdfsim::FileReadData, &handle);
    BusDevice(0).defaultQueue->config.EvtIoDeviceControl = callback;
    uint8_t output[8];
    machine.DeviceControl(handle, IOCTL_BUS_UNPLUG_CHILD, nullptr, 0, output, outputLength);
}

// Queue callbacks of a driver that breaks a request rule.
void NeverCompletes(WDFQUEUE, WDFREQUEST, size_t, size_t, ULONG) {}
void ClaimsNineBytes(WDFQUEUE, WDFREQUEST request, size_t, size_t, ULONG) {
    WdfRequestCompleteWithInformation(request, STATUS_SUCCESS, 9);
}
void FailsClaimingSixteenBytes(WDFQUEUE, WDFREQUEST request, size_t, size_t, ULONG) {
    WdfRequestCompleteWithInformation(request, STATUS_INVALID_PARAMETER, 16);
}

struct BrokenRule {
    const char* name;
    const char* finding;
    // Runs on a machine with the driver loaded and one bus added, not yet opened.
    void (*breakIt)(wdfsim::Machine& machine);
};

std::ostream& operator<<(std::ostream& out, const BrokenRule& rule) {
    return out << rule.name;
}

} // namespace

class SimulationFinding : public ::testing::TestWithParam<BrokenRule> {};

TEST_P(SimulationFinding, FailsTheTest) {
    EXPECT_NONFATAL_FAILURE(
        {
            wdfsim::Machine machine;
            machine.LoadDriver();
            machine.AddBus();
            GetParam().breakIt(machine);
        },
        GetParam().finding);
}

INSTANTIATE_TEST_SUITE_P(
    Simulation, SimulationFinding,
    ::testing::Values(
        BrokenRule{"RequestCompletedTwice", "request completed twice",
                   [](wdfsim::Machine&) {
                       wdfsim::Request request;
                       WdfRequestComplete(wdfsim::HandleOf<WDFREQUEST>(&request), STATUS_SUCCESS);
                       WdfRequestComplete(wdfsim::HandleOf<WDFREQUEST>(&request), STATUS_SUCCESS);
                   }},
        BrokenRule{
            "LeakedPool", "pool block leaked: 6 bytes, tag 0x45737542",
            [](wdfsim::Machine&) { ExAllocatePoolWithTag(NonPagedPoolNx, 6, BUS_POOL_TAG); }},
        BrokenRule{"DoubleFree", "not allocated",
                   [](wdfsim::Machine&) {
                       PVOID block = ExAllocatePoolWithTag(NonPagedPoolNx, 6, BUS_POOL_TAG);
                       ExFreePoolWithTag(block, BUS_POOL_TAG);
                       ExFreePoolWithTag(block, BUS_POOL_TAG);
                   }},
        BrokenRule{"WrongTag", "wrong tag",
                   [](wdfsim::Machine&) {
                       ExFreePoolWithTag(ExAllocatePoolWithTag(NonPagedPoolNx, 6, BUS_POOL_TAG),
                                         0x41414141);
                   }},
        // A queue left at the default execution level gets a kernel-mode sender's request at
        // DISPATCH_LEVEL.
        BrokenRule{"PageableCodeAtDispatchLevel", "pageable routine BusDeviceControl ran at IRQL 2",
                   [](wdfsim::Machine& machine) {
                       BusDevice(0).defaultQueue->hasAttributes = false;
                       wdfsim::HandleId handle;
                       machine.Open(0, wdfsim::FileReadData, &handle);
                       const ULONG otherFunction =
                           CTL_CODE(FILE_DEVICE_BUS_EXTENDER, 2, METHOD_BUFFERED, FILE_READ_ACCESS);
                       machine.DeviceControl(handle, otherFunction, nullptr, 0, nullptr, 0, true);
                   }},
        BrokenRule{"RequestNeverCompleted", "returned without completing its request",
                   [](wdfsim::Machine& machine) { SendThrough(machine, NeverCompletes, 8); }},
        BrokenRule{"InformationBeyondTheOutputBuffer", "INFORMATION_LENGTH_MISMATCH",
                   [](wdfsim::Machine& machine) { SendThrough(machine, ClaimsNineBytes, 8); }},
        BrokenRule{
            "InformationForAZeroLengthBufferPassedWithAPointer",
            "information 16 for an output buffer of length 0 passed with a pointer",
            [](wdfsim::Machine& machine) { SendThrough(machine, FailsClaimingSixteenBytes, 0); }},
        BrokenRule{"InvalidIdIsAFatalError",
                   "bug check 0xCA PNP_DETECTED_FATAL_ERROR (3, -, -, 1): invalid ID: device id "
                   "\"E\\CAM\\x00201\" holds character 0x0020 at 5",
                   [](wdfsim::Machine& machine) {
                       AddUnchecked(7, L"E\\CAM 1");
                       machine.RunPnp();
                   }},
        // A re-plug while the old device exists makes a second entry; its device is reported in
        // the answer that leaves the old one out, before Plug and Play has removed it.
        BrokenRule{
            "TwoDevicesWithTheSameIdsAreAFatalError",
            "PNP_DETECTED_FATAL_ERROR (1, -, -, 0): duplicate PDO: two children of one bus are "
            "\"e\\cam\\05\"",
            [](wdfsim::Machine& machine) {
                AddUnchecked(5, L"E\\CAM");
                machine.RunPnp();
                CHILD_ID_DESCRIPTION description = Description(5);
                WdfChildListUpdateChildDescriptionAsMissing(WdfFdoGetDefaultChildList(Bus()),
                                                            &description.Header);
                EXPECT_EQ(STATUS_SUCCESS, AddUnchecked(5, L"e\\cam"));
                machine.RunPnp();
            }},
        // An unplug while an answer is under way is only queued: the child still counts as
        // present, and a re-plug beside it is a second entry all the same.
        BrokenRule{"ReplugBesideAQueuedRemovalIsAFatalError",
                   "duplicate PDO: two children of one bus are \"E\\CAM\\05\"",
                   [](wdfsim::Machine& machine) {
                       AddUnchecked(5, L"E\\CAM");
                       machine.RunPnp();
                       machine.Take(0, wdfsim::PnpStep::StartAnswer);
                       EXPECT_EQ(STATUS_SUCCESS, Unplug(5));
                       EXPECT_EQ(STATUS_SUCCESS, AddUnchecked(5, L"E\\CAM"));
                       machine.Take(0, wdfsim::PnpStep::FinishAnswer);
                       machine.RunPnp();
                   }}),
    CaseName<BrokenRule>);

TEST(Verifier, CompareRunsUnderTheListLock) {
    wdfsim::Machine machine;
    ASSERT_EQ(STATUS_SUCCESS, machine.LoadDriver());
    ASSERT_EQ(STATUS_SUCCESS, machine.AddBus());
    auto& config = BusDevice(0).childList->config;
    static KIRQL seen;
    config.EvtChildListIdentificationDescriptionCompare =
        [](WDFCHILDLIST, PWDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER,
           PWDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER) -> BOOLEAN {
        seen = KeGetCurrentIrql();
        return FALSE;
    };
    // These children have no ids: they must never reach Plug and Play.
    config.EvtChildListCreateDevice = [](WDFCHILDLIST, PWDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER,
                                         PWDFDEVICE_INIT) -> NTSTATUS {
        return STATUS_UNSUCCESSFUL;
    };
    CHILD_ID_DESCRIPTION description = Description(0);
    WDFCHILDLIST list = WdfFdoGetDefaultChildList(Bus());
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

// The child list defers changes while Plug and Play's answer holds it locked for enumeration
// and while a scan or iteration is open; queued changes are applied in order once neither
// holds, and an iteration returns children by their state.
struct DeferredChange {
    const char* name;
    // Runs on a machine with the driver loaded, one bus added and serial 7 plugged in with its
    // device created.
    void (*run)(wdfsim::Machine& machine);
};

std::ostream& operator<<(std::ostream& out, const DeferredChange& change) {
    return out << change.name;
}

class ChildListDeferral : public ::testing::TestWithParam<DeferredChange> {};

TEST_P(ChildListDeferral, AsTheFrameworkDoes) {
    wdfsim::Machine machine;
    ASSERT_EQ(STATUS_SUCCESS, machine.LoadDriver());
    ASSERT_EQ(STATUS_SUCCESS, machine.AddBus());
    ASSERT_EQ(STATUS_SUCCESS, AddUnchecked(7, L"E\\CAM"));
    machine.RunPnp();
    ASSERT_EQ(std::vector<ULONG>{7}, Iterated(WdfRetrievePresentChildren));
    GetParam().run(machine);
}

using Serials = std::vector<ULONG>;
WDFCHILDLIST List() {
    return WdfFdoGetDefaultChildList(Bus());
}

INSTANTIATE_TEST_SUITE_P(
    Simulation, ChildListDeferral,
    ::testing::Values(
        DeferredChange{"UnplugDuringAnAnswerIsQueued",
                       [](wdfsim::Machine& machine) {
                           machine.Take(0, wdfsim::PnpStep::StartAnswer);
                           EXPECT_EQ(STATUS_SUCCESS, Unplug(7));
                           EXPECT_EQ(Serials{}, Iterated(WdfRetrieveMissingChildren));
                           EXPECT_EQ(Serials{7}, Iterated(WdfRetrievePresentChildren));
                           EXPECT_EQ(STATUS_SUCCESS, AddUnchecked(8, L"E\\X"));
                           EXPECT_EQ(Serials{8}, Iterated(WdfRetrievePendingChildren));
                           machine.Take(0, wdfsim::PnpStep::FinishAnswer);
                           EXPECT_EQ(Serials{7}, Iterated(WdfRetrieveMissingChildren));
                           EXPECT_EQ(Serials{8}, Iterated(WdfRetrievePendingChildren));
                       }},
        DeferredChange{"ChildCreatedDuringTheAnswerIsPendingNotMissing",
                       [](wdfsim::Machine& machine) {
                           EXPECT_EQ(STATUS_SUCCESS, AddUnchecked(8, L"E\\X"));
                           machine.Take(0, wdfsim::PnpStep::StartAnswer);
                           EXPECT_EQ(STATUS_SUCCESS, Unplug(8));
                           EXPECT_EQ(Serials{8}, Iterated(WdfRetrievePendingChildren));
                           machine.Take(0, wdfsim::PnpStep::CreateChild);
                           EXPECT_EQ(Serials({7, 8}), Iterated(WdfRetrievePresentChildren));
                           machine.Take(0, wdfsim::PnpStep::FinishAnswer);
                           EXPECT_EQ(Serials{8}, Iterated(WdfRetrieveMissingChildren));
                           EXPECT_EQ(2u, machine.Children(0).size());
                       }},
        DeferredChange{"AddDuringAScanIsQueuedAndKeptWhenReported",
                       [](wdfsim::Machine&) {
                           WdfChildListBeginScan(List());
                           EXPECT_EQ(STATUS_SUCCESS, AddUnchecked(8, L"E\\X"));
                           EXPECT_EQ(STATUS_OBJECT_NAME_EXISTS, AddUnchecked(8, L"E\\X"));
                           EXPECT_EQ(Serials{8}, Iterated(WdfRetrievePendingChildren));
                           WdfChildListEndScan(List());
                           // 7 was not reported during the scan.
                           EXPECT_EQ(Serials{7}, Iterated(WdfRetrieveMissingChildren));
                           EXPECT_EQ(Serials{8}, Iterated(WdfRetrievePendingChildren));
                       }},
        DeferredChange{"NestedScanDropsAQueuedInsertNotReportedAgain",
                       [](wdfsim::Machine&) {
                           WdfChildListBeginScan(List());
                           EXPECT_EQ(STATUS_SUCCESS, AddUnchecked(8, L"E\\X"));
                           WdfChildListBeginScan(List());
                           WdfChildListEndScan(List());
                           EXPECT_EQ(Serials{8}, Iterated(WdfRetrievePendingChildren));
                           WdfChildListEndScan(List());
                           EXPECT_EQ(Serials{}, Iterated(WdfRetrievePendingChildren));
                           EXPECT_EQ(Serials{7}, Iterated(WdfRetrieveMissingChildren));
                       }},
        DeferredChange{"UnplugOfAQueuedInsertFreesItAtOnce",
                       [](wdfsim::Machine&) {
                           WdfChildListBeginScan(List());
                           EXPECT_EQ(STATUS_SUCCESS, AddUnchecked(8, L"E\\X"));
                           EXPECT_EQ(STATUS_SUCCESS, Unplug(8));
                           EXPECT_EQ(Serials{}, Iterated(WdfRetrievePendingChildren));
                           EXPECT_EQ(STATUS_NO_SUCH_DEVICE, Unplug(8));
                           WdfChildListEndScan(List());
                       }},
        DeferredChange{"IterationDefersAnUnplugToItsEnd",
                       [](wdfsim::Machine&) {
                           WDF_CHILD_LIST_ITERATOR iterator;
                           WDF_CHILD_LIST_ITERATOR_INIT(&iterator, WdfRetrieveAllChildren);
                           WdfChildListBeginIteration(List(), &iterator);
                           EXPECT_EQ(STATUS_SUCCESS, Unplug(7));
                           EXPECT_EQ(Serials{}, Iterated(WdfRetrieveMissingChildren));
                           // A re-plug beside the queued removal is a second entry.
                           EXPECT_EQ(STATUS_SUCCESS, AddUnchecked(7, L"E\\CAM"));
                           WdfChildListEndIteration(List(), &iterator);
                           EXPECT_EQ(Serials{7}, Iterated(WdfRetrieveMissingChildren));
                           EXPECT_EQ(Serials{7}, Iterated(WdfRetrievePendingChildren));
                           // The newest entry is found first: the new one, never reported.
                           EXPECT_EQ(STATUS_SUCCESS, Unplug(7));
                           EXPECT_EQ(Serials{}, Iterated(WdfRetrievePendingChildren));
                       }},
        DeferredChange{"IterationEndingTheLastScanEndsIt",
                       [](wdfsim::Machine&) {
                           WDF_CHILD_LIST_ITERATOR iterator;
                           WDF_CHILD_LIST_ITERATOR_INIT(&iterator, WdfRetrieveAllChildren);
                           WdfChildListBeginScan(List());
                           WdfChildListBeginIteration(List(), &iterator);
                           WdfChildListEndScan(List());
                           EXPECT_EQ(Serials{}, Iterated(WdfRetrieveMissingChildren));
                           WdfChildListEndIteration(List(), &iterator);
                           EXPECT_EQ(Serials{7}, Iterated(WdfRetrieveMissingChildren));
                       }},
        DeferredChange{"IterationAloneChangesNothing",
                       [](wdfsim::Machine&) {
                           EXPECT_EQ(Serials{7}, Iterated(WdfRetrieveAllChildren));
                           EXPECT_EQ(Serials{7}, Iterated(WdfRetrievePresentChildren));
                       }}),
    CaseName<DeferredChange>);
