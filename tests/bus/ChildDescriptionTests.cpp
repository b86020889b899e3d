// The description callbacks, called as the framework calls them: under the list's lock.

#include "BusTest.h"

namespace {

struct Description : CHILD_ID_DESCRIPTION {
    Description(ULONG serial, SIZE_T length, PWCHAR ids) {
        WDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER_INIT(&Header, sizeof(CHILD_ID_DESCRIPTION));
        SerialNumber = serial;
        HardwareIdsLength = length;
        HardwareIds = ids;
    }
};

// A destination as the framework hands it over: header set, the rest not initialised.
Description Unfilled() {
    Description destination(
        0xA5A5A5A5, 0xA5A5A5A5,
        reinterpret_cast<PWCHAR>(static_cast<uintptr_t>(0xA5A5A5A5A5A5A5A5ull)));
    return destination;
}

NTSTATUS DuplicateLocked(Description& source, Description& destination) {
    wdfsim::IrqlScope locked(DISPATCH_LEVEL);
    return ChildDescriptionDuplicate(nullptr, &source.Header, &destination.Header);
}

} // namespace

using ChildDescription = BusTest;

TEST_F(ChildDescription, DuplicateMakesAnOwningCopy) {
    WCHAR ids[] = L"A\0BC\0";
    Description source(42, 6, ids);
    Description destination = Unfilled();
    ASSERT_EQ(STATUS_SUCCESS, DuplicateLocked(source, destination));
    EXPECT_EQ(42u, destination.SerialNumber);
    EXPECT_EQ(6u, destination.HardwareIdsLength);
    ASSERT_NE(ids, destination.HardwareIds);
    EXPECT_EQ(0, std::memcmp(ids, destination.HardwareIds, 12));
    const wdfsim::PoolBlock& block = wdfsim::Current().pool.at(destination.HardwareIds);
    EXPECT_EQ(NonPagedPoolNx, block.type);
    EXPECT_EQ(12u, block.size);
    // "BusE" in memory order, as pool tags are read.
    EXPECT_EQ(0, std::memcmp("BusE", &block.tag, 4));
    // The header belongs to the framework.
    EXPECT_EQ(sizeof(CHILD_ID_DESCRIPTION), destination.Header.IdentificationDescriptionSize);

    ChildDescriptionCleanup(nullptr, &destination.Header);
    EXPECT_EQ(nullptr, destination.HardwareIds);
    EXPECT_EQ(0u, machine.OutstandingPoolBlocks());
}

struct DuplicateFailure {
    const char* name;
    SIZE_T length;
    bool failAllocation;
    NTSTATUS status;
};

class ChildDescriptionFailure : public BusTest,
                                public ::testing::WithParamInterface<DuplicateFailure> {};

TEST_P(ChildDescriptionFailure, LeavesNothingForCleanupToFree) {
    WCHAR ids[] = L"A\0";
    Description source(1, GetParam().length, ids);
    Description destination = Unfilled();
    if (GetParam().failAllocation) {
        machine.FailNext("ExAllocatePoolWithTag", 0);
    }
    EXPECT_EQ(GetParam().status, DuplicateLocked(source, destination));
    EXPECT_EQ(nullptr, destination.HardwareIds);
    EXPECT_EQ(0u, machine.OutstandingPoolBlocks());
    machine.ClearCalls();
    ChildDescriptionCleanup(nullptr, &destination.Header);
    EXPECT_TRUE(machine.Calls().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Bus, ChildDescriptionFailure,
    ::testing::Values(DuplicateFailure{"SizeOverflow", MAXSIZE_T / 2 + 1, false,
                                       STATUS_INTEGER_OVERFLOW},
                      DuplicateFailure{"LargestLength", MAXSIZE_T, false, STATUS_INTEGER_OVERFLOW},
                      DuplicateFailure{"NoPool", 3, true, STATUS_INSUFFICIENT_RESOURCES}),
    CaseName<DuplicateFailure>);

TEST_F(ChildDescription, CompareLooksAtTheSerialNumberOnly) {
    WCHAR a[] = L"A\0";
    WCHAR b[] = L"BB\0";
    struct Case {
        Description first;
        Description second;
        BOOLEAN same;
    };
    const Case cases[] = {
        {{7, 3, a}, {7, 4, b}, TRUE},
        {{7, 3, a}, {7, 0, nullptr}, TRUE},
        {{0, 3, a}, {0, 3, a}, TRUE},
        {{7, 3, a}, {8, 3, a}, FALSE},
        {{0, 3, a}, {4294967295u, 3, a}, FALSE},
    };
    wdfsim::IrqlScope locked(DISPATCH_LEVEL);
    for (Case c : cases) {
        EXPECT_EQ(c.same, ChildDescriptionCompare(nullptr, &c.first.Header, &c.second.Header));
        EXPECT_EQ(c.same, ChildDescriptionCompare(nullptr, &c.second.Header, &c.first.Header));
    }
}
