// Several callers on one bus at once, as the parallel queue lets them: each opens a handle
// of its own, sends plug-ins and unplugs for a few shared serial numbers, and closes it
// again, which unplugs every child under the others' feet; meanwhile Plug and Play answers
// the bus relations over and over, and the list's invariants are checked between queries.

#include "ChildListView.h"
#include "OutcomeRules.h"
#include "RequestGenerator.h"

#include <atomic>
#include <thread>

namespace {

constexpr unsigned Callers = 4;
constexpr int Sessions = 10; // handles each caller opens and closes in turn
constexpr int RequestsPerSession = 500;
constexpr uint32_t Serials = 12;

// Outcomes seen, by Effect.
struct Tally {
    std::atomic<int> taken[4] = {};
    std::atomic<int> refused[4] = {};
};

} // namespace

class BusUnderLoad : public BusTest {
protected:
    void Caller(unsigned id, Tally& tally) {
        RequestGenerator generate(1000 + id, Serials);
        for (int session = 0; session < Sessions; session++) {
            wdfsim::HandleId own;
            ASSERT_EQ(STATUS_SUCCESS, machine.Open(bus, wdfsim::FileReadData, &own));
            for (int i = 0; i < RequestsPerSession; i++) {
                const BusRequest request =
                    generate.Pick(8) == 0 ? generate.Random() : generate.WellFormed();
                const Expectation expected =
                    Expect(request.code, request.input, request.outputLength);
                const Outcome outcome(Send(own, request.code, request.input, request.outputLength));
                const auto effect = static_cast<size_t>(expected.effect);
                if (outcome == expected.taken) {
                    tally.taken[effect]++;
                } else if (outcome == expected.refused) {
                    tally.refused[effect]++;
                } else {
                    ADD_FAILURE() << "caller " << id << ": " << outcome << ", expected "
                                  << expected.taken << " or " << expected.refused;
                }
            }
            machine.Close(own);
        }
    }
};

TEST_F(BusUnderLoad, KeepsTheChildListConsistent) {
    Tally tally;
    std::atomic<bool> done{false};
    int queries = 0;
    std::thread pnp([&] {
        while (!done) {
            machine.RunPnp();
            ViewChildList(bus);
            queries++;
            std::this_thread::yield();
        }
    });
    std::vector<std::thread> callers;
    for (unsigned id = 0; id < Callers; id++) {
        callers.emplace_back([this, id, &tally] { Caller(id, tally); });
    }
    for (auto& caller : callers) {
        caller.join();
    }
    done = true;
    pnp.join();
    EXPECT_EQ(0u, machine.Violations());

    // Both outcomes of a plug-in and of an unplug happened: the callers did collide.
    for (Effect effect : {Effect::PlugIn, Effect::Unplug}) {
        EXPECT_GT(tally.taken[static_cast<size_t>(effect)], 0);
        EXPECT_GT(tally.refused[static_cast<size_t>(effect)], 0);
    }
    EXPECT_GT(queries, 1);

    // The last handle's close comes after every request: no child is left.
    machine.Close(handle);
    machine.RunPnp();
    const ChildListView view = ViewChildList(bus);
    EXPECT_TRUE(view.present.empty());
    EXPECT_EQ(0u, view.descriptions);
    EXPECT_TRUE(machine.Children(bus).empty());
    EXPECT_EQ(0u, machine.OutstandingPoolBlocks());
}
