#include "BusSetup.h"

#include "ConferenceBusInstaller.h"
#include "Texts.h"

namespace conferencebus {

namespace {

int Report(const BusError& result, const std::wstring& done, bool restartNeeded, const Writer& out,
           const Writer& err) {
    if (result.Failed()) {
        err(texts::Error(result.message));
        return 1;
    }
    out(done);
    if (restartNeeded) {
        out(texts::RestartNeeded);
    }
    return 0;
}

} // namespace

bool IsBusSetup(const std::vector<std::wstring>& commands) {
    return !commands.empty() && (commands[0] == L"install-bus" || commands[0] == L"remove-bus");
}

int RunBusSetup(const std::vector<std::wstring>& commands, const Writer& out, const Writer& err) {
    if (commands[0] == L"install-bus") {
        if (commands.size() > 2) {
            err(texts::Error(texts::Usage(texts::InstallBusSyntax)));
            return 2;
        }
        BusInstall outcome;
        const BusError result =
            InstallBus(commands.size() == 2 ? commands[1] : std::wstring(), &outcome);
        return Report(result, texts::BusInstalled(outcome.created, outcome.infPath),
                      outcome.restartNeeded, out, err);
    }
    if (commands.size() > 1) {
        err(texts::Error(texts::Usage(texts::RemoveBusSyntax)));
        return 2;
    }
    BusRemoval outcome;
    const BusError result = RemoveBus(&outcome);
    return Report(result, texts::BusRemoved(outcome.devices, outcome.packages),
                  outcome.restartNeeded, out, err);
}

} // namespace conferencebus
