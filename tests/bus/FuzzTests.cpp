// The quick run of random requests: thousands, with a fixed seed, over few serial numbers so
// that plug-ins collide and unplugs find their children. The stress tests run the same over
// a hundred thousand.

#include "RandomRequests.h"

TEST_F(RandomRequests, FollowTheOutcomeTable) {
    Run(20261209, 6000, 6);
}
