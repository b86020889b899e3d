// What the bus driver may answer to one control request, read from the request alone. Where
// the child list decides (is the serial number already there?), two outcomes stay open.
#pragma once

#include "BusTest.h"

#include <ostream>

struct Outcome {
    Outcome(NTSTATUS withStatus, uint64_t withInformation)
        : status(withStatus), information(withInformation) {}
    explicit Outcome(const wdfsim::IoStatus& result)
        : status(result.status), information(result.information) {}
    bool operator==(const Outcome& other) const {
        return status == other.status && information == other.information;
    }

    NTSTATUS status;
    uint64_t information;
};

std::ostream& operator<<(std::ostream& out, const Outcome& outcome);

enum class Effect { None, PlugIn, Unplug, UnplugAll };

struct Expectation {
    const char* row; // of the outcome table
    Effect effect;
    uint32_t serial;        // of a plug-in or of the unplug of one child
    std::u16string firstId; // of a plug-in: the one id the child keeps
    Outcome taken;          // the list changes: a new serial plugged in, a listed one unplugged
    Outcome refused;        // a serial present already, or one not listed; else as taken
    Outcome beingRemoved;   // a plug-in of a serial whose old device still exists; else as refused
};

// The request is sent on a handle opened for reading only, with an output buffer of
// `outputLength` bytes, or of none but a pointer where `outputPointer` says so.
Expectation Expect(ULONG code, const Bytes& input, size_t outputLength, bool outputPointer);
