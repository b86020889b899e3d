#include "ChildListView.h"

ChildListView ViewChildList(size_t bus) {
    wdfsim::ChildList& list = *BusDevice(bus).childList;
    wdfsim::State& state = wdfsim::Current();
    ChildListView view;
    std::set<const void*> blocks;
    // The framework takes the list's lock before the machine's (Duplicate allocates pool).
    std::lock_guard<std::mutex> listHeld(list.lock);
    std::lock_guard<std::mutex> machineHeld(state.lock);
    for (const wdfsim::ChildEntry& entry : list.entries) {
        const CHILD_ID_DESCRIPTION& description = *ChildIdDescription(entry.header());
        const uint32_t serial = description.SerialNumber;
        auto block = state.pool.find(description.HardwareIds);
        EXPECT_TRUE(block != state.pool.end() && block->second.tag == BUS_POOL_TAG &&
                    block->second.size == description.HardwareIdsLength * sizeof(WCHAR))
            << "hardware ids of serial " << serial << " are not a block of their own";
        EXPECT_TRUE(blocks.insert(description.HardwareIds).second)
            << "two descriptions share the hardware ids of serial " << serial;
        if (entry.pdo) {
            const auto* context =
                entry.pdo->context ? static_cast<const PDO_DEVICE_DATA*>(entry.pdo->context->get())
                                   : nullptr;
            EXPECT_TRUE(context != nullptr && context->SerialNumber == serial)
                << "the child device of serial " << serial << " carries another";
        }
        if (entry.phase == wdfsim::ChildEntry::Phase::Missing ||
            entry.phase == wdfsim::ChildEntry::Phase::Removing) {
            view.missing.insert(serial);
            continue;
        }
        const std::u16string ids(reinterpret_cast<const char16_t*>(description.HardwareIds),
                                 description.HardwareIdsLength);
        EXPECT_TRUE(view.present.emplace(serial, ids).second)
            << "serial " << serial << " present twice";
        if (entry.pdo) {
            view.devices.insert(serial);
        }
    }
    view.descriptions = list.entries.size();
    return view;
}
