// Several processes logging at once: the exclusive open keeps every message whole in
// the file or leaves it out, and the debugger copy always goes out. The writers start
// together, and the file must show that they overlapped.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <regex>
#include <string>
#include <vector>

#include "KitFacts.h"
#include "LogTexts.h"
#include "StartProcess.h"

namespace {

using logtext::ReadLogFile;

const char* const LogFile = kit::LogPathBytes;
constexpr int FillerLength = 40;

struct Writer {
    PROCESS_INFORMATION process{};
    HANDLE output = nullptr;
};

Writer Start(int id, int count) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    EXPECT_TRUE(CreatePipe(&read, &write, &inherit, 0));
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    // The writer is found beside this program, the first place the start looks.
    std::wstring command = L"log_writer.exe " + std::to_wstring(id) + L" " +
                           std::to_wstring(count) + L" " + std::to_wstring(FillerLength);
    Writer writer;
    EXPECT_TRUE(testsupport::StartProcess(nullptr, command.data(), nullptr, nullptr, TRUE, 0,
                                          nullptr, nullptr, &startup, &writer.process));
    CloseHandle(write);
    writer.output = read;
    return writer;
}

// Waits for the writer; returns the number of its messages that reached the debugger.
int Finish(Writer& writer) {
    std::string text;
    char chunk[64];
    DWORD got = 0;
    while (ReadFile(writer.output, chunk, sizeof(chunk), &got, nullptr) && got > 0) {
        text.append(chunk, got);
    }
    WaitForSingleObject(writer.process.hProcess, INFINITE);
    DWORD exitCode = 1;
    GetExitCodeProcess(writer.process.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);
    CloseHandle(writer.process.hProcess);
    CloseHandle(writer.process.hThread);
    CloseHandle(writer.output);
    return std::atoi(text.c_str());
}

struct FileMessages {
    std::map<int, int> perWriter; // whole messages of each writer
    int returns = 0;              // times a writer's message follows another's after its own
};

// Splits the file into its messages and checks that each is whole (none torn by another
// writer) and that each writer's messages stand in the order written.
FileMessages WholeMessages(const std::string& log) {
    const std::regex message("writer (\\d+) message (\\d+) x{" + std::to_string(FillerLength) +
                             "} end");
    FileMessages found;
    std::map<int, int> last;
    int previousWriter = -1;
    std::size_t start = 0;
    while (start < log.size()) {
        const std::size_t end = log.find("\r\n", start);
        EXPECT_NE(end, std::string::npos) << "the file ends inside a message";
        if (end == std::string::npos) {
            break;
        }
        const std::string line = log.substr(start, end - start);
        std::smatch parts;
        EXPECT_TRUE(std::regex_match(line, parts, message)) << "not a whole message: " << line;
        if (!parts.empty()) {
            const int writer = std::stoi(parts[1]);
            const int number = std::stoi(parts[2]);
            auto previous = last.find(writer);
            EXPECT_TRUE(previous == last.end() || previous->second < number)
                << "writer " << writer << " message " << number << " out of order";
            found.returns += writer != previousWriter && previous != last.end() ? 1 : 0;
            previousWriter = writer;
            last[writer] = number;
            ++found.perWriter[writer];
        }
        start = end + 2;
    }
    return found;
}

class LogContention : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override { DeleteFileA(LogFile); }
};

TEST_P(LogContention, EveryMessageIsWholeOrAbsentAndAlwaysReachesTheDebugger) {
    const int writers = GetParam();
    const int messages = 1500;
    HANDLE gate = CreateEventW(nullptr, TRUE, FALSE, L"TalvorenLogWritersGo");
    ASSERT_NE(gate, nullptr);
    std::vector<Writer> running;
    for (int id = 0; id < writers; ++id) {
        running.push_back(Start(id, messages));
    }
    SetEvent(gate);
    for (auto& writer : running) {
        EXPECT_EQ(Finish(writer), messages);
    }
    CloseHandle(gate);

    const FileMessages file = WholeMessages(ReadLogFile());
    int total = 0;
    for (const auto& [writer, count] : file.perWriter) {
        EXPECT_LT(writer, writers);
        EXPECT_LE(count, messages);
        total += count;
    }
    EXPECT_EQ(file.perWriter.size(), static_cast<std::size_t>(writers));
    // The writers overlapped: their messages interleave in the file, or some file copies
    // were lost to another writer's open.
    EXPECT_TRUE(file.returns > 0 || total < writers * messages)
        << "the writers ran one after the other";
    RecordProperty("writer_returns", file.returns);
    RecordProperty("messages_in_file", total);
    RecordProperty("messages_sent", writers * messages);
}

INSTANTIATE_TEST_SUITE_P(Processes, LogContention, ::testing::Values(2, 4));

} // namespace
