// The children of a bus as its child list holds them, read under the list's lock. Reading
// checks the invariants that must hold at every moment, whatever runs at the same time.
#pragma once

#include "BusTest.h"

#include <map>
#include <set>

struct ChildListView {
    std::map<uint32_t, std::u16string> present; // serial -> hardware ids: pending or reported
    std::multiset<uint32_t> missing;            // reported missing, device not yet removed
    std::set<uint32_t> devices;                 // present serials whose child device exists
    size_t descriptions = 0;
};

// Fails the test where a serial is present twice, where a description's hardware ids are not
// a pool block of their own (tag "BusE", HardwareIdsLength units), or where a child device
// carries another serial than its description.
ChildListView ViewChildList(size_t bus);
