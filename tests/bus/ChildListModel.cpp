#include "ChildListModel.h"

Outcome ChildListModel::Apply(const Expectation& expected) {
    std::string row = expected.row;
    bool taken = true;
    switch (expected.effect) {
    case Effect::PlugIn:
        taken = present_.emplace(expected.serial, expected.hardwareIds).second;
        break;
    case Effect::Unplug:
        if (present_.count(expected.serial) != 0) {
            Unplug(expected.serial);
        } else if (missing_.count(expected.serial) != 0) {
            // Its description stays in the list until Plug and Play removes the device, and
            // reporting it missing again succeeds.
            row += " missing";
        } else {
            taken = false;
        }
        break;
    case Effect::UnplugAll:
        Closed();
        break;
    case Effect::None:
        break;
    }
    rows_.insert(taken ? row : row + " refused");
    return taken ? expected.taken : expected.refused;
}

void ChildListModel::Enumerated() {
    missing_.clear();
    for (const auto& child : present_) {
        reported_.insert(child.first);
    }
}

void ChildListModel::Closed() {
    while (!present_.empty()) {
        Unplug(present_.begin()->first);
    }
}

// A child never reported to Plug and Play leaves the list at once; a reported one stays,
// missing, until the next enumeration.
void ChildListModel::Unplug(uint32_t serial) {
    if (reported_.erase(serial) != 0) {
        missing_.insert(serial);
    }
    present_.erase(serial);
}
