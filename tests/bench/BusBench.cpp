// Test-only: what a plug-in and an unplug request cost in the framework simulation with 1 to
// 10,000 children present, and the pool each child takes. CSV on standard output:
//     children,plugin_ns,unplug_ns,pool_bytes_per_child
// one row per child count, each cost the median over many requests.
// Usage: bus_bench [--quick]   (--quick: a smoke run of a second or two, up to 1,000 children)

#include "BusTest.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const std::vector<std::u16string> HardwareIds = {u"FENWAREL\\CONFERENCE_DEVICE"};
// The bus's record of a child: the first id with two NULs, in one block.
const size_t RecordBytes = sizeof(BUS_CHILD) + (HardwareIds[0].size() + 1) * sizeof(WCHAR);

bool Check(bool condition, const char* finding) {
    if (!condition) {
        std::fprintf(stderr, "bus_bench: %s\n", finding);
    }
    return condition;
}

int64_t Median(std::vector<int64_t> samples) {
    std::nth_element(samples.begin(), samples.begin() + samples.size() / 2, samples.end());
    return samples[samples.size() / 2];
}

// One machine with the driver loaded, one bus and its interface open for reading.
class Bus {
public:
    Bus() {
        ok_ =
            Check(machine_.LoadDriver() == STATUS_SUCCESS && machine_.AddBus() == STATUS_SUCCESS &&
                      machine_.Open(0, wdfsim::FileReadData, &handle_) == STATUS_SUCCESS,
                  "the bus does not start");
    }

    // A request the driver refuses at once, with a plug-in's input: the I/O path alone.
    void Refused(uint32_t serial) {
        Send(CTL_CODE(FILE_DEVICE_BUS_EXTENDER, 2, METHOD_BUFFERED, FILE_READ_ACCESS),
             PluginInput(serial, HardwareIds), STATUS_INVALID_PARAMETER);
    }
    void Plug(uint32_t serial) { Send(IOCTL_BUS_PLUGIN_CHILD, PluginInput(serial, HardwareIds)); }
    void Unplug(uint32_t serial) { Send(IOCTL_BUS_UNPLUG_CHILD, UnplugInput(16, serial)); }

    // The pool the driver holds with `children` present: every child's record in a block of its
    // own, and nothing else.
    size_t PoolBytesPerChild(size_t children) {
        const auto& pool = wdfsim::Current().pool;
        size_t bytes = 0;
        for (const auto& block : pool) {
            ok_ &= Check(block.second.tag == BUS_POOL_TAG && block.second.size == RecordBytes,
                         "a pool block that is not one child's record");
            bytes += block.second.size;
        }
        ok_ &= Check(pool.size() == children && bytes == children * RecordBytes,
                     "the pool does not hold exactly one record per child");
        return bytes / children;
    }

    // Closing the handle unplugs every child; afterwards no child may be left. The records go
    // with the bus, whose removal checks the pool.
    bool Finish() {
        machine_.Close(handle_);
        machine_.RunPnp();
        return Check(machine_.Children(0).empty(), "children left after the close") &&
               Check(machine_.Violations() == 0, "the verifier found faults") && ok_;
    }

    wdfsim::Machine& machine() { return machine_; }

private:
    // A request with another outcome fails the measurement, at Finish.
    void Send(ULONG code, const Bytes& input, NTSTATUS expected = STATUS_SUCCESS) {
        const auto result =
            machine_.DeviceControl(handle_, code, input.data(), input.size(), nullptr, 0);
        ok_ &= Check(result.status == expected, "a request had another outcome");
    }

    wdfsim::Machine machine_;
    wdfsim::HandleId handle_ = 0;
    bool ok_ = false;
};

int64_t Nanoseconds(const std::function<void()>& action) {
    const auto start = Clock::now();
    action();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count();
}

struct Row {
    size_t children;
    int64_t pluginNs;
    int64_t unplugNs;
    size_t poolBytesPerChild;
    int64_t refusedNs;
};

// With `children` present (their devices created), each sample plugs in one child more and
// unplugs it once Plug and Play has created its device, so that both requests find the list
// at its full length; the enumerations between them are not timed.
bool Measure(size_t children, int samples, Row* row) {
    Bus bus;
    for (uint32_t serial = 1; serial <= children; serial++) {
        bus.Plug(serial);
    }
    bus.machine().RunPnp();
    const size_t poolBytesPerChild = bus.PoolBytesPerChild(children);
    std::vector<int64_t> plugins;
    std::vector<int64_t> unplugs;
    std::vector<int64_t> refusals;
    const auto extra = static_cast<uint32_t>(children + 1);
    for (int sample = 0; sample < samples; sample++) {
        plugins.push_back(Nanoseconds([&] { bus.Plug(extra); }));
        bus.machine().RunPnp();
        unplugs.push_back(Nanoseconds([&] { bus.Unplug(extra); }));
        bus.machine().RunPnp();
        refusals.push_back(Nanoseconds([&] { bus.Refused(extra); }));
        bus.machine().ClearCalls();
    }
    *row = {children, Median(plugins), Median(unplugs), poolBytesPerChild, Median(refusals)};
    // The samples left the record of the last one, which the next plug-in would free.
    return bus.PoolBytesPerChild(children + 1) == poolBytesPerChild && bus.Finish();
}

} // namespace

int main(int argc, char** argv) {
    const bool quick = argc > 1 && std::string(argv[1]) == "--quick";
    const int samples = quick ? 20 : 2000;
    std::printf("children,plugin_ns,unplug_ns,pool_bytes_per_child\n");
    // Plug and Play's first answer creates every child's device at once, and the simulation
    // compares each with all the others for a duplicate: 10,000 children take a minute.
    std::vector<size_t> counts{1, 100, 1000};
    if (!quick) {
        counts.push_back(10000);
    }
    for (size_t children : counts) {
        Row row;
        if (!Measure(children, samples, &row)) {
            return 1;
        }
        std::printf("%zu,%lld,%lld,%zu\n", row.children, static_cast<long long>(row.pluginNs),
                    static_cast<long long>(row.unplugNs), row.poolBytesPerChild);
        std::fflush(stdout);
        std::fprintf(stderr,
                     "bus_bench: %zu children: a request the driver refuses at once "
                     "costs %lld ns, the simulated I/O path's share of each figure\n",
                     row.children, static_cast<long long>(row.refusedNs));
    }
    return 0;
}
