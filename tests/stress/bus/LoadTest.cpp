// Several callers on one bus at once, as the parallel queue lets them: the bus admits one
// handle at a time, so each session opens one, and four threads of the caller send plug-ins
// and unplugs for a few shared serial numbers on it until the session closes the handle under
// their feet, with requests still in flight. Meanwhile Plug and Play answers the bus
// relations and removes the children left out, over and over, and the list's invariants are
// checked between its steps. After each session no child may be left: none outlives its
// handle, and Plug and Play never meets two children with the same ids.

#include "ChildListView.h"
#include "OutcomeRules.h"
#include "RequestGenerator.h"

#include <atomic>
#include <cstdio>
#include <thread>

namespace {

constexpr unsigned Callers = 4;
constexpr int Sessions = 10;
constexpr int RequestsPerSession = 500; // at most, for each caller
constexpr uint32_t Serials = 12;

// Outcomes seen, by Effect.
struct Tally {
    std::atomic<int> taken[4] = {};
    std::atomic<int> refused[4] = {};
    std::atomic<int> beingRemoved{0};
    std::atomic<int> closedInFlight{0};
    std::atomic<int> sent{0};
};

} // namespace

class BusUnderLoad : public BusTest {
protected:
    // Sends on the session's handle until the quota is reached or the handle has been closed.
    void Caller(RequestGenerator& generate, wdfsim::HandleId session, Tally& tally) {
        for (int i = 0; i < RequestsPerSession; i++) {
            const BusRequest request =
                generate.Pick(8) == 0 ? generate.Random() : generate.WellFormed();
            const Expectation expected =
                Expect(request.code, request.input, request.outputLength, request.outputPointer);
            const Outcome outcome(Send(session, request.code, request.input, request.outputLength,
                                       request.outputPointer));
            tally.sent++;
            const auto effect = static_cast<size_t>(expected.effect);
            if (outcome == Outcome(STATUS_INVALID_HANDLE, 0)) {
                return;
            }
            if (outcome == expected.taken) {
                tally.taken[effect]++;
            } else if (outcome == expected.refused) {
                tally.refused[effect]++;
            } else if (outcome == expected.beingRemoved) {
                tally.beingRemoved++;
            } else if (expected.effect == Effect::PlugIn &&
                       outcome == Outcome(STATUS_FILE_CLOSED, expected.taken.information)) {
                tally.closedInFlight++;
            } else {
                ADD_FAILURE() << outcome << ", expected " << expected.taken << " or "
                              << expected.refused << " or " << expected.beingRemoved;
            }
        }
    }
};

TEST_F(BusUnderLoad, KeepsTheChildListConsistent) {
    machine.Close(handle);
    Tally tally;
    std::atomic<bool> done{false};
    int queries = 0;
    std::thread pnp([&] {
        while (!done) {
            if (queries++ % 2 == 0) {
                machine.AnswerBusRelations();
            } else {
                machine.RunPnp();
            }
            ViewChildList(bus);
            std::this_thread::yield();
        }
    });
    std::vector<RequestGenerator> generators;
    for (unsigned id = 0; id < Callers; id++) {
        generators.emplace_back(1000 + id, Serials);
    }
    for (int session = 0; session < Sessions; session++) {
        wdfsim::HandleId own;
        ASSERT_EQ(STATUS_SUCCESS, machine.Open(bus, wdfsim::FileReadData, &own));
        tally.sent = 0;
        std::vector<std::thread> callers;
        for (unsigned id = 0; id < Callers; id++) {
            callers.emplace_back([&, id] { Caller(generators[id], own, tally); });
        }
        while (tally.sent < static_cast<int>(Callers) * RequestsPerSession * 3 / 4) {
            std::this_thread::yield();
        }
        wdfsim::HandleId second;
        EXPECT_EQ(STATUS_ACCESS_DENIED, machine.Open(bus, wdfsim::FileReadData, &second));
        machine.Close(own);
        for (auto& caller : callers) {
            caller.join();
        }
        machine.RunPnp();
        const ChildListView view = ViewChildList(bus);
        EXPECT_TRUE(view.present.empty()) << "session " << session;
        EXPECT_EQ(0u, view.descriptions) << "session " << session;
    }
    done = true;
    pnp.join();
    EXPECT_EQ(0u, machine.Violations());
    EXPECT_EQ(0u, machine.FatalErrors());

    // Both outcomes of a plug-in and of an unplug happened: the callers did collide.
    for (Effect effect : {Effect::PlugIn, Effect::Unplug}) {
        EXPECT_GT(tally.taken[static_cast<size_t>(effect)], 0);
        EXPECT_GT(tally.refused[static_cast<size_t>(effect)], 0);
    }
    EXPECT_GT(queries, 1);
    std::printf("bus under load: %d re-plugs met a child being removed, %d plug-ins met the "
                "close, %d bus-relations steps\n",
                tally.beingRemoved.load(), tally.closedInFlight.load(), queries);
    machine.RunPnp();
    EXPECT_TRUE(machine.Children(bus).empty());
}
