// Pairs every handle that a run opened with the call that released it, from the seam's
// record: device information sets, INF handles, find handles, service and manager
// handles, and files. The setup fixture and the client suite's simulated bus check it after
// every test.
#pragma once

#include "Seam.h"

#include <vector>

namespace testsupport {

// Fails the test for a handle released that was not open, and for one never released.
void ExpectEveryHandleReleased(const std::vector<seam::Call>& calls);

} // namespace testsupport
