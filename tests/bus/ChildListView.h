// The children of a bus as its child list holds them, read under the list's lock. Reading
// checks the invariants that must hold at every moment, whatever runs at the same time.
#pragma once

#include "BusTest.h"

#include <map>
#include <set>

struct ChildListView {
    std::map<uint32_t, std::u16string> present; // serial -> first id: pending or reported
    std::multiset<uint32_t> missing;            // reported missing, device not yet removed
    std::set<uint32_t> devices;                 // present serials whose child device exists
    size_t descriptions = 0;
};

// Fails the test where a serial is present twice, where an entry's record of the child is not
// a pool block of its own (tag "BusE", sized for the first id and two NULs, the entry's serial,
// not marked freed), or where a child device carries another serial than its description.
ChildListView ViewChildList(size_t bus);
