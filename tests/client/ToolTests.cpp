// ConferenceBusCtl's session and command line, against the driver in the simulation.

#include <windows.h>

#include <gtest/gtest.h>

#include "BusSetup.h"
#include "CommandLine.h"
#include "Console.h"
#include "KitFacts.h"
#include "Session.h"
#include "Seam.h"
#include "SimulatedBus.h"
#include "Texts.h"

using conferencebus::Options;
using conferencebus::Session;

namespace {

struct Transcript {
    std::wstring out;
    std::wstring err;
    int exitCode = -1;
};

// A line of the child list.
std::wstring Row(const std::wstring& deviceId, const std::wstring& instance) {
    return deviceId + L"\t" + instance + L"\t" + kit::ChildDescriptionPrefix + instance + L"\t" +
           kit::BusName + L"\n";
}

const wchar_t Header[] = L"DEVICE ID\tINSTANCE\tDESCRIPTION\tLOCATION\n";

// Runs the lines as one session; the session, and so the bus handle, ends with the call.
Transcript RunSession(const std::vector<std::wstring>& lines, const std::wstring& busPath = {},
                      const std::wstring& origin = {}) {
    Transcript transcript;
    Session session([&](const std::wstring& text) { transcript.out += text; },
                    [&](const std::wstring& text) { transcript.err += text; }, busPath);
    size_t next = 0;
    session.Run(
        [&](std::wstring* line) {
            if (next == lines.size()) {
                return false;
            }
            *line = lines[next++];
            return true;
        },
        origin);
    transcript.exitCode = session.ExitCode();
    return transcript;
}

Transcript RunBusSetup(const std::vector<std::wstring>& commands) {
    Transcript transcript;
    transcript.exitCode = conferencebus::RunBusSetup(
        commands, [&](const std::wstring& text) { transcript.out += text; },
        [&](const std::wstring& text) { transcript.err += text; });
    return transcript;
}

} // namespace

TEST(Tool, PlugListUnplugQuit) {
    SimulatedBus simulated;
    const Transcript transcript =
        RunSession({L"plug 5 FENWAREL\\CAM_01 FENWAREL\\CAM", L"  plug   6 FENWAREL\\MIC ", L"",
                    L"# a comment", L"list", L"unplug 5", L"list", L"unplug all", L"list",
                    L"plug 8 FENWAREL\\SPK", L"quit", L"plug 9 NEVER"});
    EXPECT_EQ(L"plugged in serial 5\n"
              L"plugged in serial 6\n" +
                  (Header + Row(L"FENWAREL\\CAM_01", L"05") + Row(L"FENWAREL\\MIC", L"06")) +
                  L"unplugged serial 5\n" + Header + Row(L"FENWAREL\\MIC", L"06") +
                  L"unplugged every child\n"
                  L"no child devices\n"
                  L"plugged in serial 8\n",
              transcript.out);
    EXPECT_EQ(L"", transcript.err);
    EXPECT_EQ(0, transcript.exitCode);
    // Quitting closed the handle: the child plugged in last is gone too.
    EXPECT_TRUE(simulated.machine().Children(0).empty());
    EXPECT_EQ(0u, simulated.machine().OpenHandles());
}

TEST(Tool, ErrorsNameTheCauseAndTheSessionGoesOn) {
    SimulatedBus simulated;
    const Transcript transcript =
        RunSession({L"plug 7 X\\A", L"unplug", L"plug x A", L"plug 4294967296 A",
                    L"plug 4294967295 X\\MAX", L"plug 5", L"frobnicate", L"list"});
    EXPECT_EQ(L"error: usage: unplug SERIAL | unplug all\n"
              L"error: not a serial number: x\n"
              L"error: not a serial number: 4294967296\n"
              L"error: usage: plug SERIAL HWID [HWID...]\n"
              L"error: unknown command \"frobnicate\" (try help)\n",
              transcript.err);
    // The largest serial, of ten digits, is the instance id -1.
    EXPECT_EQ(L"plugged in serial 7\n"
              L"plugged in serial 4294967295\n" +
                  (Header + Row(L"X\\A", L"07") + Row(L"X\\MAX", L"-1")),
              transcript.out);
    EXPECT_EQ(1, transcript.exitCode);
}

// A command's own faults are named before the bus is looked for.
TEST(Tool, NoBusIsAnErrorAfterTheCommandsOwnFaults) {
    SimulatedBus simulated(0);
    const Transcript transcript =
        RunSession({L"help", L"plug 5 CAM,1", L"unplug 0", L"plug y A", L"list", L"buses"});
    EXPECT_EQ(conferencebus::texts::Help, transcript.out);
    EXPECT_EQ(L"error: hardware id 1 holds U+002C at character 4: ids take only U+0021 to U+007F, "
              L"and no comma\n"
              L"error: serial 0 leaves only with all children: use unplug all\n"
              L"error: not a serial number: y\n"
              L"error: no ConferenceBus device is present\n",
              transcript.err);
    EXPECT_EQ(1, transcript.exitCode);
}

// A script's failed command is named by its line, comments and empty lines counted.
TEST(Tool, ScriptErrorsNameTheirLine) {
    SimulatedBus simulated;
    const Transcript transcript = RunSession(
        {L"# conference", L"plug 5 CAM,1", L"", L"plug 6 X\\A", L"plug 6 X\\B"}, {}, L"conf.txt");
    EXPECT_EQ(L"conf.txt:2: error: hardware id 1 holds U+002C at character 4: ids take only "
              L"U+0021 to U+007F, and no comma\n"
              L"conf.txt:5: error: serial 6 is already plugged in\n",
              transcript.err);
    EXPECT_EQ(1, transcript.exitCode);
}

TEST(Tool, SecondBusByPath) {
    SimulatedBus simulated(2);
    EXPECT_EQ(simulated.Path(0) + L"\n" + simulated.Path(1) + L"\n", RunSession({L"buses"}).out);
    const auto ignore = [](const std::wstring&) {};
    Session session(ignore, ignore, simulated.Path(1));
    EXPECT_TRUE(session.Execute(L"plug 2 X\\B"));
    EXPECT_EQ(1u, simulated.machine().Children(1).size());
    EXPECT_TRUE(simulated.machine().Children(0).empty());
}

TEST(Tool, WaitHoldsTheChildrenUntilInterrupted) {
    SimulatedBus simulated;
    Session* running = nullptr;
    std::wstring out;
    Session session(
        [&](const std::wstring& text) {
            out += text;
            // Ctrl-C arrives while the session waits.
            if (text.rfind(L"holding", 0) == 0) {
                EXPECT_EQ(1u, simulated.machine().Children(0).size());
                running->Interrupt();
            }
        },
        [&](const std::wstring& text) { ADD_FAILURE() << std::string(text.begin(), text.end()); },
        L"");
    running = &session;
    EXPECT_TRUE(session.Execute(L"plug 3 X\\A"));
    EXPECT_FALSE(session.Execute(L"wait"));
    EXPECT_FALSE(session.Execute(L"plug 4 X\\B"));
    EXPECT_EQ(L"plugged in serial 3\n"
              L"holding 1 child device; press Ctrl-C to end\n"
              L"interrupted: closing the bus unplugs every child\n",
              out);
    EXPECT_EQ(0, session.ExitCode());
    EXPECT_EQ(L"holding 0 child devices; press Ctrl-C to end\n", conferencebus::texts::Holding(0));
    EXPECT_EQ(L"holding 2 child devices; press Ctrl-C to end\n", conferencebus::texts::Holding(2));
}

struct Arguments {
    const char* name;
    std::vector<std::wstring> arguments;
    bool help;
    std::wstring busPath;
    std::wstring scriptPath;
    std::vector<std::wstring> commands;
    std::wstring error;
};

class CommandLine : public ::testing::TestWithParam<Arguments> {};

TEST_P(CommandLine, Parses) {
    const Options options = conferencebus::ParseArguments(GetParam().arguments);
    EXPECT_EQ(GetParam().help, options.help);
    EXPECT_EQ(GetParam().busPath, options.busPath);
    EXPECT_EQ(GetParam().scriptPath, options.scriptPath);
    EXPECT_EQ(GetParam().commands, options.commands);
    EXPECT_EQ(GetParam().error, options.error);
}

INSTANTIATE_TEST_SUITE_P(
    Tool, CommandLine,
    ::testing::Values(
        Arguments{"Nothing", {}, false, L"", L"", {}, L""},
        Arguments{"Help", {L"--help"}, true, L"", L"", {}, L""},
        Arguments{"Commands",
                  {L"--bus", L"P", L"plug 1 A", L"wait"},
                  false,
                  L"P",
                  L"",
                  {L"plug 1 A", L"wait"},
                  L""},
        Arguments{"Script", {L"--script", L"s.txt"}, false, L"", L"s.txt", {}, L""},
        Arguments{"ScriptAndCommands",
                  {L"--script", L"s.txt", L"list"},
                  false,
                  L"",
                  L"s.txt",
                  {L"list"},
                  L"give commands or a script, not both"},
        Arguments{"MissingValue", {L"--bus"}, false, L"", L"", {}, L"--bus needs a value"},
        Arguments{
            "UnknownOption", {L"--verbose"}, false, L"", L"", {}, L"unknown option --verbose"}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(Tool, ReadsScriptsInUtf8AndUtf16) {
    wchar_t folder[MAX_PATH];
    ASSERT_NE(0u, GetTempPathW(MAX_PATH, folder));
    const std::wstring path = std::wstring(folder) + L"ConferenceBusCtl-script.txt";
    const std::string utf8 = "\xEF\xBB\xBFplug 5 \xC3\x84\r\n# note\r\nlist";
    const std::wstring wide = L"\xFEFFplug 5 \x00C4\nlist\n";
    for (const std::string& bytes :
         {utf8, std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * 2)}) {
        HANDLE file =
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        DWORD written = 0;
        ASSERT_TRUE(
            WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
        CloseHandle(file);
        std::vector<std::wstring> lines;
        ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS), conferencebus::ReadScript(path, &lines));
        ASSERT_LE(2u, lines.size());
        EXPECT_EQ(L"plug 5 \x00C4", lines[0]);
        EXPECT_EQ(L"list", lines.back());
    }
    // A read that fails after the first chunk fails the script rather than cutting it
    // short. Like the platform's, the failing read reports 0 bytes.
    int reads = 0;
    SEAM_OVERRIDE(ReadFile,
                  [&reads](HANDLE file, LPVOID buffer, DWORD size, LPDWORD read,
                           LPOVERLAPPED overlapped) -> BOOL {
                      if (++reads == 1) {
                          return SEAM_REAL(ReadFile)(file, buffer, size, read, overlapped);
                      }
                      *read = 0;
                      SetLastError(ERROR_READ_FAULT);
                      return FALSE;
                  });
    std::vector<std::wstring> lines{L"kept"};
    EXPECT_EQ(static_cast<DWORD>(ERROR_READ_FAULT), conferencebus::ReadScript(path, &lines));
    EXPECT_EQ(std::vector<std::wstring>{L"kept"}, lines);
    EXPECT_EQ(2, reads);
    seam::Reset();

    DeleteFileW(path.c_str());
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), conferencebus::ReadScript(path, &lines));
}

// Piped input in UTF-8, with or without its byte-order mark, and in UTF-16 with its mark (what
// PowerShell's > writes); an empty first line tells nothing of the encoding.
TEST(Tool, ReadsStandardInputLineByLine) {
    const std::vector<std::wstring> lines{L"plug 1 \x00C4", L"", L"list"};
    const std::wstring wide = L"\xFEFFplug 1 \x00C4\r\n\nlist";
    const struct {
        std::string bytes;
        std::vector<std::wstring> lines;
    } inputs[] = {
        {"plug 1 \xC3\x84\r\n\nlist", lines},
        {"\xEF\xBB\xBFplug 1 \xC3\x84\n\nlist\n", lines},
        {std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * 2), lines},
        {"\nlist", {L"", L"list"}},
    };
    for (const auto& input : inputs) {
        HANDLE readEnd = nullptr;
        HANDLE writeEnd = nullptr;
        ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, nullptr, 0));
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(writeEnd, input.bytes.data(), static_cast<DWORD>(input.bytes.size()),
                              &written, nullptr));
        CloseHandle(writeEnd);
        HANDLE saved = GetStdHandle(STD_INPUT_HANDLE);
        SetStdHandle(STD_INPUT_HANDLE, readEnd);

        conferencebus::InputLines standardInput;
        std::vector<std::wstring> read;
        std::wstring line;
        while (standardInput.Read(&line)) {
            read.push_back(line);
        }
        SetStdHandle(STD_INPUT_HANDLE, saved);
        CloseHandle(readEnd);
        EXPECT_FALSE(conferencebus::InputIsConsole());
        EXPECT_EQ(input.lines, read);
    }
}

// install-bus with the INF beside the tool creates the bus node in the INF's class and installs
// the package; the machine then presents a bus that a session opens, plugs into and lists. A
// second install finds the node and installs the package on it again.
TEST(Tool, InstallBusPresentsABusForTheSession) {
    SimulatedBus simulated(0);
    simulated.RunBesideBusInf();
    const std::wstring inf = BusInfPath();
    const Transcript created = RunBusSetup({L"install-bus"});
    EXPECT_EQ(L"created the bus device and installed " + inf + L" on it\n", created.out);
    EXPECT_EQ(L"", created.err);
    EXPECT_EQ(0, created.exitCode);
    ASSERT_EQ(1u, simulated.BusNodes().size());
    EXPECT_EQ(L"ROOT\\SYSTEM\\0000", simulated.BusNodes()[0].instanceId);
    EXPECT_TRUE(IsEqualGUID(SystemClass, simulated.BusNodes()[0].classGuid));
    EXPECT_EQ(std::vector<std::wstring>{kit::BusHardwareId}, simulated.BusNodes()[0].hardwareIds);
    EXPECT_EQ(std::vector<std::wstring>{L"oem0.inf"}, simulated.DriverStore());

    const Transcript session = RunSession({L"plug 5 FENWAREL\\CAM_01", L"list"});
    EXPECT_EQ(L"plugged in serial 5\n" + (Header + Row(L"FENWAREL\\CAM_01", L"05")), session.out);
    EXPECT_EQ(0, session.exitCode);

    simulated.SetRestartAfterInstall(true);
    const Transcript again = RunBusSetup({L"install-bus", CONFERENCE_BUS_INF});
    EXPECT_EQ(L"installed " + inf +
                  L" on the bus device already present\n"
                  L"Windows asks for a restart to finish\n",
              again.out);
    EXPECT_EQ(0, again.exitCode);
    EXPECT_EQ(1u, simulated.BusNodes().size());
    EXPECT_EQ(1u, simulated.machine().BusCount());
    EXPECT_EQ(std::vector<std::wstring>{L"oem0.inf"}, simulated.DriverStore());

    EXPECT_EQ(L"error: usage: install-bus [INF]\n", RunBusSetup({L"install-bus", L"a", L"b"}).err);
    const Transcript wrong = RunBusSetup({L"remove-bus", L"all"});
    EXPECT_EQ(L"error: usage: remove-bus\n", wrong.err);
    EXPECT_EQ(2, wrong.exitCode);
    EXPECT_TRUE(conferencebus::IsBusSetup({L"remove-bus"}));
    EXPECT_FALSE(conferencebus::IsBusSetup({L"list", L"install-bus"}));
}

// Removing the bus while a session holds it: Windows removes the device at the next restart,
// and the package goes at once.
TEST(Tool, RemoveBusWhileASessionHoldsIt) {
    SimulatedBus simulated(0);
    ASSERT_EQ(0, RunBusSetup({L"install-bus", CONFERENCE_BUS_INF}).exitCode);
    const auto ignore = [](const std::wstring&) {};
    Session holder(ignore, ignore, L"");
    ASSERT_TRUE(holder.Execute(L"plug 3 X\\A"));
    const Transcript removed = RunBusSetup({L"remove-bus"});
    EXPECT_EQ(L"removed 1 bus device and 1 driver package\n"
              L"Windows asks for a restart to finish\n",
              removed.out);
    EXPECT_EQ(0, removed.exitCode);
    EXPECT_TRUE(simulated.DriverStore().empty());
    EXPECT_EQ(1u, simulated.machine().Children(0).size());
}
