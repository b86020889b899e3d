// The fault table: for each platform entry point and the context it is called in, the
// failure that a run injects there (a representative result and last-error code) and
// what the program's rules make of it for the whole run, as an edit of the clean run's
// expectation.
#pragma once

#include "Expectation.h"
#include "Seam.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sweep {

// A call of the clean run, made to fail in one run of the sweep.
struct FaultSite {
    const seam::Call& call;
    unsigned nth; // among the calls of its entry point, from 1
};

enum Workflow : unsigned { Install = 1, Remove = 2, Both = Install | Remove };

struct FaultRule {
    unsigned workflows;
    const char* function;
    unsigned nth; // the call it applies to, as in FaultSite; 0: every call
    std::uintptr_t result;
    DWORD lastError;
    std::function<void(const FaultSite&, Expectation&)> expect;
    std::vector<std::string> notCalledAfter = {};
};

// Calls that are not swept: those that cannot fail or report nothing, and the releases,
// whose failure leaves the program nothing to do and whose scripted failure would not
// release at all.
bool IsSwept(const std::string& function);
// Calls that may still come after a step that ends the workflow.
bool IsLogOrRelease(const std::string& function);

// The rules of both workflows; FindRule gives the first of the workflow's that applies to a
// site, or null.
extern const std::vector<FaultRule> FaultTable;
const FaultRule* FindRule(Workflow workflow, const FaultSite& site);

} // namespace sweep
