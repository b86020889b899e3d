// A long run of random requests on one handle, with fixed seeds: every request gets exactly
// the outcome the table gives for the child list as it stood, the list changes only as that
// outcome says, and its invariants hold throughout. Each system buffer ends at an
// inaccessible page, so a read past the input crashes the run.

#include "ChildListView.h"
#include "OutcomeRules.h"
#include "RequestGenerator.h"

namespace {

constexpr int Requests = 35000; // per seed
constexpr uint32_t Serials = 24;

// The present children (serial number, hardware ids) that an outcome leaves.
std::map<uint32_t, std::u16string> PresentAfter(const Expectation& expected, bool taken,
                                                std::map<uint32_t, std::u16string> present) {
    if (!taken) {
        return present;
    }
    switch (expected.effect) {
    case Effect::PlugIn:
        present[expected.serial] = expected.hardwareIds;
        break;
    case Effect::Unplug:
        present.erase(expected.serial);
        break;
    case Effect::UnplugAll:
        present.clear();
        break;
    case Effect::None:
        break;
    }
    return present;
}

// Whether the list takes the change: a plug-in needs a serial not present; an unplug of one
// child needs its serial listed, missing or not.
bool Takes(const Expectation& expected, const ChildListView& view) {
    switch (expected.effect) {
    case Effect::PlugIn:
        return view.present.count(expected.serial) == 0;
    case Effect::Unplug:
        return view.present.count(expected.serial) != 0 || view.missing.count(expected.serial) != 0;
    default:
        return true;
    }
}

std::set<uint32_t> SerialsOf(const std::map<uint32_t, std::u16string>& present) {
    std::set<uint32_t> serials;
    for (const auto& child : present) {
        serials.insert(child.first);
    }
    return serials;
}

} // namespace

class RandomRun : public BusTest, public ::testing::WithParamInterface<uint32_t> {};

TEST_P(RandomRun, FollowsTheOutcomeTable) {
    RequestGenerator generate(GetParam(), Serials);
    std::set<std::string> reached; // rows of the table, a change taken or refused apart
    ChildListView view = ViewChildList(bus);
    for (int i = 0; i < Requests; i++) {
        const BusRequest request =
            generate.Pick(3) == 0 ? generate.WellFormed() : generate.Random();
        const Expectation expected = Expect(request.code, request.input, request.outputLength);
        const bool taken = Takes(expected, view);
        const Outcome outcome(Send(request.code, request.input, request.outputLength));
        ASSERT_EQ(taken ? expected.taken : expected.refused, outcome)
            << "request " << i << ", code 0x" << std::hex << request.code << std::dec << ", input "
            << request.input.size() << ", output " << request.outputLength;
        ASSERT_EQ(0u, machine.Violations()) << "request " << i;
        reached.insert(std::string(expected.row) + (taken ? "" : " refused"));

        const auto present = PresentAfter(expected, taken, view.present);
        view = ViewChildList(bus);
        ASSERT_EQ(present, view.present) << "request " << i;

        if (generate.Pick(20) == 0) {
            EXPECT_EQ(view.descriptions, machine.OutstandingPoolBlocks()) << "request " << i;
            machine.RunPnp();
            view = ViewChildList(bus);
            ASSERT_EQ(SerialsOf(view.present), view.devices) << "request " << i;
            ASSERT_TRUE(view.missing.empty()) << "request " << i;
            machine.ClearCalls();
        }
        // A new caller: closing the handle unplugs every child.
        if (generate.Pick(2000) == 0) {
            machine.Close(handle);
            ASSERT_EQ(STATUS_SUCCESS, machine.Open(bus, wdfsim::FileReadData, &handle));
            view = ViewChildList(bus);
            ASSERT_TRUE(view.present.empty()) << "request " << i;
        }
    }
    // Every row, and the plug-in and the unplug of one child both taken and refused.
    EXPECT_EQ(12u, reached.size());
    machine.Close(handle);
    machine.RunPnp();
    EXPECT_TRUE(machine.Children(bus).empty());
    EXPECT_EQ(0u, machine.OutstandingPoolBlocks());
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomRun, ::testing::Values(20261209u, 7u, 4093u));
