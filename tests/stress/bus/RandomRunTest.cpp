// The long run of random requests: 35,000 for each of three seeds, over more serial numbers
// than the driver tests' quick run, so that the list grows longer.

#include "RandomRequests.h"

class RandomRun : public RandomRequests, public ::testing::WithParamInterface<uint32_t> {};

TEST_P(RandomRun, FollowsTheOutcomeTable) {
    Run(GetParam(), 35000, 24);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomRun, ::testing::Values(20261209u, 7u, 4093u));
