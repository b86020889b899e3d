// Every order of events, for short scripts of requests. Each caller of a script sends its
// requests as an actor; actors take turns at the framework calls that others can observe, and
// Plug and Play takes its steps in between (start a bus-relations answer, create one child,
// finish the answer, remove one child left out). Depth first, every interleaving runs once on a
// fresh machine. After every step the run checks what Windows demands: the simulation fails the
// test on two devices of the bus with one instance path, on an invalid id and on a request not
// completed exactly once, and here no child may stay present after the cleanup of the handle it
// was plugged in through; at the end of each run, every pool block must be freed.
//
// A schedule is named by its script and one letter for each turn: a, b, c for the callers in
// their order, S, C, F, R for Plug and Play's steps. BUS_SCHEDULE=script:letters replays one.

#include "BusTest.h"

#include "wdfsim/Interleaving.h"

#include <cstdio>
#include <cstdlib>

namespace {

enum class Act { Plug, Unplug, Close, Open };

struct Op {
    Act act;
    uint32_t serial; // BUS_UNPLUG_ALL_CHILDREN unplugs every child
    size_t slot;     // the handle: 0 is open when the script starts
};

Op Plug(uint32_t serial, size_t slot = 0) {
    return {Act::Plug, serial, slot};
}
Op Unplug(uint32_t serial) {
    return {Act::Unplug, serial, 0};
}

struct Script {
    const char* name;
    std::vector<std::vector<Op>> callers;
};

const Script Scripts[] = {
    {"replug", {{Plug(7), Unplug(7), Plug(7)}}},
    {"plug-racing-unplug", {{Plug(7), Plug(7)}, {Unplug(7)}}},
    {"unplug-all-between", {{Plug(1), Unplug(BUS_UNPLUG_ALL_CHILDREN), Plug(2)}}},
    {"close-racing-plug", {{Plug(7)}, {{Act::Close, 0, 0}, {Act::Open, 0, 1}, Plug(7, 1)}}},
};

const char StepLetters[] = "SCFR"; // in the order of wdfsim::PnpStep

struct Turn {
    std::string options; // the letters that could run
    size_t taken;
};

void Perform(wdfsim::Machine& machine, const Op& op, std::vector<wdfsim::HandleId>& handles) {
    wdfsim::HandleId& handle = handles[op.slot];
    switch (op.act) {
    case Act::Plug: {
        const Bytes input = PluginInput(op.serial, {u"FENWAREL\\CAM"});
        machine.DeviceControl(handle, IOCTL_BUS_PLUGIN_CHILD, input.data(), input.size(), nullptr,
                              0);
        break;
    }
    case Act::Unplug: {
        const Bytes input = UnplugInput(sizeof(BUS_UNPLUG_INPUT), op.serial);
        machine.DeviceControl(handle, IOCTL_BUS_UNPLUG_CHILD, input.data(), input.size(), nullptr,
                              0);
        break;
    }
    case Act::Close:
        machine.Close(handle);
        handle = 0;
        break;
    case Act::Open:
        // Refused while the old handle's file object lives on in a request still running.
        if (machine.Open(0, wdfsim::FileReadData, &handle) != STATUS_SUCCESS) {
            handle = 0;
        }
        break;
    }
}

size_t FailuresSoFar() {
    return ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
}

// Runs the schedule that `path` begins with, taking the first option wherever it ends, and
// records the turns it takes in `path`; `replay` forces the letters instead. Answers the
// schedule's name.
std::string RunSchedule(const Script& script, std::vector<Turn>& path, const std::string& replay) {
    std::string name = std::string(script.name) + ":";
    wdfsim::Machine machine;
    machine.LoadDriver();
    size_t bus = 0;
    machine.AddBus(&bus, InstalledBusProperties());
    std::vector<wdfsim::HandleId> handles(2, 0);
    machine.Open(bus, wdfsim::FileReadData, &handles[0]);
    {
        wdfsim::Interleaving actors;
        for (const auto& caller : script.callers) {
            actors.Spawn([&machine, &handles, &caller] {
                for (const Op& op : caller) {
                    Perform(machine, op, handles);
                }
            });
        }
        for (size_t turn = 0;; turn++) {
            std::string options;
            for (size_t actor : actors.Runnable()) {
                options += static_cast<char>('a' + actor);
            }
            for (wdfsim::PnpStep step : machine.PnpSteps(bus)) {
                options += StepLetters[static_cast<size_t>(step)];
            }
            if (options.empty()) {
                break;
            }
            if (turn == path.size()) {
                const size_t forced = turn < replay.size() ? options.find(replay[turn]) : 0;
                if (forced == std::string::npos) {
                    ADD_FAILURE() << name << ": turn " << turn << " offers " << options;
                    break;
                }
                path.push_back({options, forced});
            } else if (path[turn].options != options) {
                ADD_FAILURE() << name << ": turn " << turn << " offers " << options << ", not "
                              << path[turn].options << " as before";
                break;
            }
            const char letter = options[path[turn].taken];
            name += letter;
            if (letter >= 'a' && letter <= 'z') {
                actors.Run(static_cast<size_t>(letter - 'a'));
            } else {
                machine.Take(bus,
                             static_cast<wdfsim::PnpStep>(std::string(StepLetters).find(letter)));
            }
            const std::string outliving = machine.ChildOutlivingItsHandle(bus);
            EXPECT_TRUE(outliving.empty()) << name << ": " << outliving;
        }
        EXPECT_TRUE(actors.Finished()) << name << ": callers wait for each other forever";
    }
    return name;
}

// Every schedule of the script, depth first; stops at the first that fails.
size_t Explore(const Script& script, std::string* failed) {
    std::vector<Turn> path;
    size_t schedules = 0;
    do {
        const size_t failures = FailuresSoFar();
        const std::string name = RunSchedule(script, path, "");
        schedules++;
        if (FailuresSoFar() != failures) {
            *failed = name;
            break;
        }
        while (!path.empty() && path.back().taken + 1 == path.back().options.size()) {
            path.pop_back();
        }
        if (!path.empty()) {
            path.back().taken++;
        }
    } while (!path.empty());
    return schedules;
}

} // namespace

TEST(Exploration, EveryScheduleOfEveryScriptKeepsWindowsRules) {
    if (const char* replay = std::getenv("BUS_SCHEDULE")) {
        const std::string schedule(replay);
        const std::string scriptName = schedule.substr(0, schedule.find(':'));
        for (const Script& script : Scripts) {
            if (scriptName == script.name) {
                std::vector<Turn> path;
                std::printf(
                    "replayed %s\n",
                    RunSchedule(script, path, schedule.substr(scriptName.size() + 1)).c_str());
                return;
            }
        }
        FAIL() << "no script named " << scriptName;
    }
    size_t schedules = 0;
    size_t violations = 0;
    for (const Script& script : Scripts) {
        std::string failed;
        schedules += Explore(script, &failed);
        if (!failed.empty()) {
            violations++;
            ADD_FAILURE() << "violation in schedule " << failed
                          << " (replay it with BUS_SCHEDULE=" << failed << ")";
        }
    }
    std::printf("explored %zu schedules, %zu violations\n", schedules, violations);
}
