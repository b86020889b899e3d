#include "ChildListView.h"

ChildListView ViewChildList(size_t bus) {
    wdfsim::ChildList& list = *BusDevice(bus).childList;
    wdfsim::State& state = wdfsim::Current();
    ChildListView view;
    std::set<const void*> records;
    // The framework takes the list's lock before the machine's.
    std::lock_guard<std::mutex> listHeld(list.lock);
    std::lock_guard<std::mutex> machineHeld(state.lock);
    for (const wdfsim::ChildEntry& entry : list.entries) {
        const CHILD_ID_DESCRIPTION& description = *ChildIdDescription(entry.header());
        const uint32_t serial = description.SerialNumber;
        const BUS_CHILD* child = description.Child;
        auto block = state.pool.find(const_cast<BUS_CHILD*>(child));
        const std::u16string id =
            child == nullptr ? u"" : reinterpret_cast<const char16_t*>(child->HardwareIds);
        EXPECT_TRUE(block != state.pool.end() && block->second.tag == BUS_POOL_TAG &&
                    block->second.size == sizeof(BUS_CHILD) + (id.size() + 1) * sizeof(WCHAR) &&
                    child->SerialNumber == serial && child->EntryFreed == FALSE)
            << "the record of serial " << serial << " is not a block of its own";
        EXPECT_TRUE(records.insert(child).second)
            << "two entries share the record of serial " << serial;
        if (entry.pdo) {
            const auto* context =
                entry.pdo->context ? static_cast<const PDO_DEVICE_DATA*>(entry.pdo->context->get())
                                   : nullptr;
            EXPECT_TRUE(context != nullptr && context->SerialNumber == serial)
                << "the child device of serial " << serial << " carries another";
        }
        if (!entry.present) {
            view.missing.insert(serial);
            continue;
        }
        EXPECT_TRUE(view.present.emplace(serial, id).second)
            << "serial " << serial << " present twice";
        if (entry.pdo) {
            view.devices.insert(serial);
        }
    }
    view.descriptions = list.entries.size();
    return view;
}
