// The description callbacks, called as the framework calls them.

#include "BusTest.h"

namespace {

CHILD_ID_DESCRIPTION Description(ULONG serial, PBUS_CHILD child = nullptr) {
    CHILD_ID_DESCRIPTION description;
    WDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER_INIT(&description.Header, sizeof(description));
    description.SerialNumber = serial;
    description.Child = child;
    return description;
}

} // namespace

TEST(ChildDescription, CompareLooksAtTheSerialNumberOnly) {
    BUS_CHILD a{};
    BUS_CHILD b{};
    struct Case {
        CHILD_ID_DESCRIPTION first;
        CHILD_ID_DESCRIPTION second;
        BOOLEAN same;
    };
    const Case cases[] = {
        {Description(7, &a), Description(7, &b), TRUE},
        {Description(7, &a), Description(7), TRUE},
        {Description(0), Description(0), TRUE},
        {Description(7, &a), Description(8, &a), FALSE},
        {Description(0, &a), Description(4294967295u, &a), FALSE},
    };
    wdfsim::Machine machine;
    wdfsim::IrqlScope locked(DISPATCH_LEVEL);
    for (Case c : cases) {
        EXPECT_EQ(c.same, ChildDescriptionCompare(nullptr, &c.first.Header, &c.second.Header));
        EXPECT_EQ(c.same, ChildDescriptionCompare(nullptr, &c.second.Header, &c.first.Header));
    }
}

// The framework frees an entry after the child's device is gone: from then on the bus's record
// says so, and nothing else changes. A description without a record is left alone.
TEST(ChildDescription, CleanupMarksTheChildsEntryFreed) {
    wdfsim::Machine machine;
    BUS_CHILD child{};
    CHILD_ID_DESCRIPTION description = Description(7, &child);
    CHILD_ID_DESCRIPTION none = Description(8);
    wdfsim::IrqlScope raised(DISPATCH_LEVEL);
    ChildDescriptionCleanup(nullptr, &none.Header);
    EXPECT_EQ(nullptr, none.Child);
    ChildDescriptionCleanup(nullptr, &description.Header);
    EXPECT_EQ(TRUE, child.EntryFreed);
    EXPECT_FALSE(child.Unplugged);
    EXPECT_EQ(&child, description.Child);
    EXPECT_TRUE(machine.Calls().empty());
}
