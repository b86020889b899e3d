// A run of random requests with a fixed seed on the fixture's handle: each request gets exactly
// the outcome the table gives for the child list as the requests before it left it, and the
// list is read after each one and must hold what the model holds, and Plug and Play must never
// have stopped the machine. Now and then Plug and Play answers the bus relations, with or
// without removing the children left out, and now and then the handle closes and a new one
// opens, which unplugs every child. The machine's end checks that every pool block was freed.
// Each system buffer that is no longer than the input ends at an
// inaccessible page, so a read past the input crashes the run.
#pragma once

#include "BusTest.h"

class RandomRequests : public BusTest {
protected:
    // Serial numbers come from 1 to `serials` (0, unplug all, besides): the fewer, the more
    // plug-ins collide and the more unplugs find their child.
    void Run(uint32_t seed, int requests, uint32_t serials);
};
