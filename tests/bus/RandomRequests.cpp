#include "RandomRequests.h"

#include "ChildListModel.h"
#include "ChildListView.h"
#include "RequestGenerator.h"

namespace {

// The rows of ChildListModel::Rows: every row of the table, the plug-in and the unplug of one
// child both taken and refused, the unplug of a child reported missing, and the plug-in of
// one whose old device still exists.
constexpr size_t TableRows = 15;

std::set<uint32_t> SerialsOf(const std::map<uint32_t, std::u16string>& present) {
    std::set<uint32_t> serials;
    for (const auto& child : present) {
        serials.insert(child.first);
    }
    return serials;
}

// As Plug and Play sees them: the instance id is the serial number in decimal.
std::set<uint32_t> SerialsOf(const std::vector<wdfsim::ChildInfo>& children) {
    std::set<uint32_t> serials;
    for (const auto& child : children) {
        serials.insert(static_cast<uint32_t>(std::stol(child.instanceId)));
    }
    return serials;
}

} // namespace

void RandomRequests::Run(uint32_t seed, int requests, uint32_t serials) {
    RequestGenerator generate(seed, serials);
    ChildListModel model;
    for (int i = 0; i < requests; i++) {
        const BusRequest request =
            generate.Pick(3) == 0 ? generate.WellFormed() : generate.Random();
        const Outcome expected = model.Apply(
            Expect(request.code, request.input, request.outputLength, request.outputPointer));
        const Outcome outcome(
            Send(request.code, request.input, request.outputLength, request.outputPointer));
        ASSERT_EQ(expected, outcome)
            << "request " << i << ", code 0x" << std::hex << request.code << std::dec << ", input "
            << request.input.size() << ", output " << request.outputLength;
        ASSERT_EQ(0u, machine.Violations()) << "request " << i;
        ASSERT_EQ(0u, machine.FatalErrors()) << "request " << i;

        ChildListView view = ViewChildList(bus);
        ASSERT_EQ(model.Present(), view.present) << "request " << i;
        ASSERT_EQ(model.Missing(), view.missing) << "request " << i;
        ASSERT_EQ(model.Descriptions(), view.descriptions) << "request " << i;

        // Now and then Plug and Play answers the relations and holds the removals back.
        if (generate.Pick(40) == 0) {
            machine.AnswerBusRelations();
            model.RelationsAnswered();
            ASSERT_EQ(model.Missing(), ViewChildList(bus).missing) << "request " << i;
        }
        if (generate.Pick(20) == 0) {
            machine.RunPnp();
            model.RelationsAnswered();
            model.Removed();
            view = ViewChildList(bus);
            ASSERT_EQ(SerialsOf(view.present), view.devices) << "request " << i;
            ASSERT_TRUE(view.missing.empty()) << "request " << i;
            ASSERT_EQ(SerialsOf(model.Present()), SerialsOf(machine.Children(bus)))
                << "request " << i;
            machine.ClearCalls();
        }
        // A new caller: closing the handle unplugs every child.
        if (generate.Pick(2000) == 0) {
            machine.Close(handle);
            ASSERT_EQ(STATUS_SUCCESS, machine.Open(bus, wdfsim::FileReadData, &handle));
            model.Closed();
            view = ViewChildList(bus);
            ASSERT_TRUE(view.present.empty()) << "request " << i;
            ASSERT_EQ(model.Missing(), view.missing) << "request " << i;
        }
    }
    EXPECT_EQ(TableRows, model.Rows().size());
    machine.Close(handle);
    machine.RunPnp();
    EXPECT_TRUE(machine.Children(bus).empty());
}
