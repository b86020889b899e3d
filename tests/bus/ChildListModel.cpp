#include "ChildListModel.h"

Outcome ChildListModel::Apply(const Expectation& expected) {
    const uint32_t serial = expected.serial;
    const bool removing = missing_.count(serial) != 0 || leftOut_.count(serial) != 0;
    std::string row = expected.row;
    Outcome outcome = expected.taken;
    switch (expected.effect) {
    case Effect::PlugIn:
        if (present_.count(serial) != 0) {
            row += " refused";
            outcome = expected.refused;
        } else if (removing) {
            row += " being removed";
            outcome = expected.beingRemoved;
        } else {
            present_.emplace(serial, expected.firstId);
        }
        break;
    case Effect::Unplug:
        if (present_.count(serial) != 0) {
            Unplug(serial);
        } else if (removing) {
            // Its description stays in the list until Plug and Play removes the device, and
            // reporting it missing again succeeds.
            row += " missing";
        } else {
            row += " refused";
            outcome = expected.refused;
        }
        break;
    case Effect::UnplugAll:
        Closed();
        break;
    case Effect::None:
        break;
    }
    rows_.insert(row);
    return outcome;
}

void ChildListModel::RelationsAnswered() {
    leftOut_.insert(missing_.begin(), missing_.end());
    missing_.clear();
    for (const auto& child : present_) {
        reported_.insert(child.first);
    }
}

void ChildListModel::Removed() {
    leftOut_.clear();
}

void ChildListModel::Closed() {
    while (!present_.empty()) {
        Unplug(present_.begin()->first);
    }
}

std::multiset<uint32_t> ChildListModel::Missing() const {
    std::multiset<uint32_t> missing(missing_.begin(), missing_.end());
    missing.insert(leftOut_.begin(), leftOut_.end());
    return missing;
}

// A child never reported to Plug and Play leaves the list at once; a reported one stays,
// missing, until Plug and Play has removed its device.
void ChildListModel::Unplug(uint32_t serial) {
    if (reported_.erase(serial) != 0) {
        missing_.insert(serial);
    }
    present_.erase(serial);
}
