#include "Expectation.h"

namespace sweep {

Expectation::Expectation(SystemState cleanState, SystemState stateAtFailureCall,
                         std::wstring cleanInfPath)
    : state(std::move(cleanState)), infPath(std::move(cleanInfPath)),
      outcome(logtext::SetupSuccess), stateAtFailure(std::move(stateAtFailureCall)) {}

void Expectation::Stop() {
    StopSucceeding();
    outcome = logtext::SetupFailed;
}

void Expectation::StopSucceeding() {
    state = stateAtFailure;
    stops = true;
}

} // namespace sweep
