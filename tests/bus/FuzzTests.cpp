// Thousands of requests of random length and content, with a fixed seed, against a model of
// the outcome table. Every system buffer ends at an inaccessible page, so a read past the
// input crashes the run.

#include "BusTest.h"

#include <map>
#include <random>
#include <set>

namespace {

constexpr int Requests = 6000;
// Few serial numbers, so that plug-ins collide and unplugs find their children.
constexpr uint32_t Serials = 6;

struct Expected {
    NTSTATUS status;
    uint64_t information;
};

class Model {
public:
    Expected Apply(ULONG code, const Bytes& input, size_t outputLength) {
        const Expected raw = Outcome(code, input);
        // A non-empty output buffer shorter than the information value gets 0.
        if (outputLength != 0 && raw.information > outputLength) {
            return {raw.status, 0};
        }
        return raw;
    }
    // Plug and Play has enumerated: missing children are gone, new ones reported.
    void Enumerated() {
        missing_.clear();
        for (auto& child : present_) {
            child.second = true;
        }
    }
    std::set<uint32_t> Present() const {
        std::set<uint32_t> serials;
        for (const auto& child : present_) {
            serials.insert(child.first);
        }
        return serials;
    }
    // One hardware-id copy per description the child list holds.
    size_t Descriptions() const { return present_.size() + missing_.size(); }
    const std::set<std::string>& Rows() const { return rows_; }

private:
    Expected Outcome(ULONG code, const Bytes& input) {
        const size_t length = input.size();
        uint32_t size = 0;
        uint32_t serial = 0;
        if (length >= 8) {
            std::memcpy(&size, &input[0], 4);
            std::memcpy(&serial, &input[4], 4);
        }
        if (code == IOCTL_BUS_PLUGIN_CHILD) {
            if (length < 12) {
                return Row("plug-in short", STATUS_BUFFER_TOO_SMALL, 0);
            }
            if (size != 8) {
                return Row("plug-in size", STATUS_INVALID_PARAMETER, 0);
            }
            const size_t n = (length - 8) / 2;
            if (input[8 + 2 * (n - 1)] != 0 || input[9 + 2 * (n - 1)] != 0 ||
                input[8 + 2 * (n - 2)] != 0 || input[9 + 2 * (n - 2)] != 0) {
                return Row("plug-in unterminated", STATUS_INVALID_PARAMETER, n);
            }
            if (!present_.emplace(serial, false).second) {
                return Row("plug-in present", STATUS_INVALID_PARAMETER, n);
            }
            return Row("plug-in", STATUS_SUCCESS, n);
        }
        if (code == IOCTL_BUS_UNPLUG_CHILD) {
            if (length < 16) {
                return Row("unplug short", STATUS_BUFFER_TOO_SMALL, 0);
            }
            if (size != length) {
                return Row("unplug size", STATUS_INVALID_PARAMETER, 0);
            }
            if (serial == 0) {
                while (!present_.empty()) {
                    Unplug(present_.begin());
                }
                return Row("unplug all", STATUS_SUCCESS, length);
            }
            auto child = present_.find(serial);
            if (child != present_.end()) {
                Unplug(child);
                return Row("unplug", STATUS_SUCCESS, length);
            }
            // A child reported missing and not yet removed can be unplugged again.
            if (missing_.count(serial) != 0) {
                return Row("unplug missing", STATUS_SUCCESS, length);
            }
            return Row("unplug absent", STATUS_INVALID_PARAMETER, length);
        }
        return Row("other code", STATUS_INVALID_PARAMETER, 0);
    }

    Expected Row(const char* name, NTSTATUS status, uint64_t information) {
        rows_.insert(name);
        return {status, information};
    }

    // A child never reported to Plug and Play leaves at once; a reported one stays, missing,
    // until the next enumeration.
    void Unplug(std::map<uint32_t, bool>::iterator child) {
        if (child->second) {
            missing_.insert(child->first);
        }
        present_.erase(child);
    }

    std::map<uint32_t, bool> present_; // serial -> reported
    std::set<uint32_t> missing_;
    std::set<std::string> rows_;
};

class Generator {
public:
    ULONG Code() {
        switch (Pick(8)) {
        case 0:
            return CTL_CODE(FILE_DEVICE_BUS_EXTENDER, Pick(0x1000), METHOD_BUFFERED,
                            FILE_READ_ACCESS);
        case 1:
            return static_cast<ULONG>(random_()) & ~0xC000u; // any code the handle may send
        case 2:
        case 3:
        case 4:
            return IOCTL_BUS_PLUGIN_CHILD;
        default:
            return IOCTL_BUS_UNPLUG_CHILD;
        }
    }

    // Mostly near-valid inputs, so that every row of the table is reached.
    Bytes Input(ULONG code) {
        Bytes bytes(Pick(4) == 0 ? Pick(64) : 8 + Pick(40));
        for (auto& byte : bytes) {
            byte = Pick(3) == 0 ? 0 : static_cast<uint8_t>(random_());
        }
        if (bytes.size() >= 8 && Pick(5) != 0) {
            const uint32_t size =
                code == IOCTL_BUS_PLUGIN_CHILD ? 8u : static_cast<uint32_t>(bytes.size());
            const uint32_t serial = Pick(Serials);
            std::memcpy(&bytes[0], &size, 4);
            std::memcpy(&bytes[4], &serial, 4);
        }
        const size_t units = bytes.size() >= 8 ? (bytes.size() - 8) / 2 : 0;
        if (units >= 2 && Pick(3) != 0) {
            std::fill(bytes.begin() + 8 + 2 * (units - 2), bytes.begin() + 8 + 2 * units, 0);
        }
        return bytes;
    }

    // Never longer than the input: the system buffer then ends with the input, right at the
    // guard page, so that any read past the input faults.
    size_t OutputLength(size_t inputLength) {
        return Pick(3) == 0 ? Pick(static_cast<uint32_t>(inputLength) + 1) : 0;
    }

    uint32_t Pick(uint32_t bound) { return static_cast<uint32_t>(random_() % bound); }

private:
    std::mt19937 random_{20261209};
};

std::set<uint32_t> SerialsOf(const std::vector<wdfsim::ChildInfo>& children) {
    std::set<uint32_t> serials;
    for (const auto& child : children) {
        serials.insert(static_cast<uint32_t>(std::stol(child.instanceId)));
    }
    return serials;
}

} // namespace

using RandomRequests = BusTest;

TEST_F(RandomRequests, FollowTheOutcomeTable) {
    Model model;
    Generator generate;
    for (int i = 0; i < Requests; i++) {
        const ULONG code = generate.Code();
        const Bytes input = generate.Input(code);
        const size_t outputLength = generate.OutputLength(input.size());
        const Expected expected = model.Apply(code, input, outputLength);
        const auto result = Send(code, input, outputLength);
        ASSERT_EQ(expected.status, result.status) << "request " << i << ", code " << code;
        ASSERT_EQ(expected.information, result.information) << "request " << i;
        ASSERT_EQ(0u, machine.Violations()) << "request " << i;
        if (generate.Pick(25) == 0) {
            ASSERT_EQ(model.Descriptions(), machine.OutstandingPoolBlocks()) << "request " << i;
            machine.RunPnp();
            model.Enumerated();
            ASSERT_EQ(model.Present(), SerialsOf(machine.Children(bus))) << "request " << i;
        }
    }
    EXPECT_EQ(12u, model.Rows().size()) << "rows of the outcome table reached";
    machine.Close(handle);
    machine.RunPnp();
    EXPECT_TRUE(machine.Children(bus).empty());
    EXPECT_EQ(0u, machine.OutstandingPoolBlocks());
}
