// The bus's own installation from the command line, install-bus [INF] and remove-bus: each
// runs alone, as the whole command line, outside a session.
#pragma once

#include <string>
#include <vector>

#include "Session.h"

namespace conferencebus {

// Whether the command line's commands are install-bus or remove-bus with their arguments.
bool IsBusSetup(const std::vector<std::wstring>& commands);

// Runs it and gives the exit code: 0 when it succeeded, 1 when it failed, 2 for a wrong
// command line.
int RunBusSetup(const std::vector<std::wstring>& commands, const Writer& out, const Writer& err);

} // namespace conferencebus
