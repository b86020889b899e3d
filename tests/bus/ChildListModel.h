// The bus's child list as the requests sent to it leave it, where one caller sends them one
// after another and nothing else changes the list: each request then has one outcome, and the
// model knows which descriptions the list holds without reading it.
#pragma once

#include "OutcomeRules.h"

#include <map>
#include <set>
#include <string>

class ChildListModel {
public:
    // The outcome of the request for the list as it stands; the list takes the change where
    // the outcome says so.
    Outcome Apply(const Expectation& expected);
    // Plug and Play has answered the bus relations: present children are reported, missing ones
    // left out, their devices still there.
    void RelationsAnswered();
    // Plug and Play has removed the devices left out.
    void Removed();
    // The handle closed, which unplugs every child.
    void Closed();

    const std::map<uint32_t, std::u16string>& Present() const { return present_; }
    // Reported missing, their devices not yet removed: left out of an answer or not yet.
    std::multiset<uint32_t> Missing() const;
    // Each description's child holds one pool block: the bus's record of it.
    size_t Descriptions() const { return present_.size() + missing_.size() + leftOut_.size(); }
    // The rows of the outcome table reached, a change taken or refused apart, the unplug of a
    // child reported missing apart from that of a present one, and the plug-in of a child
    // whose old device still exists.
    const std::set<std::string>& Rows() const { return rows_; }

private:
    void Unplug(uint32_t serial);

    std::map<uint32_t, std::u16string> present_; // serial -> first id
    std::set<uint32_t> reported_;                // present serials Plug and Play knows of
    std::set<uint32_t> missing_;                 // reported missing, still in the relations
    std::set<uint32_t> leftOut_;                 // left out of the relations, device not removed
    std::set<std::string> rows_;
};
