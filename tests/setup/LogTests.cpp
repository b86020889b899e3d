// The log's two sinks: the bytes of the file and the debugger lines.
#include "FlagWords.h"
#include "SetupTest.h"

#include "Seam.h"
#include "log/LogMessage.h"

#include <functional>

namespace setuptest {
namespace {

// These tests log messages of their own making, with any flag word.
class LogTest : public SetupTest {
protected:
    void StartOver() override {
        ForgetLoggedMessages();
        SetupTest::StartOver();
    }
    void TearDown() override {
        ForgetLoggedMessages();
        SetupTest::TearDown();
    }
};

struct Formatted {
    const char* name;
    std::function<void()> log;
    std::string file;
    std::wstring message; // as the debugger gets it, less prefix and final line feed
};

// Each message goes to the file with CR LF line ends and to the debugger in one line behind
// the prefix, with one more line feed; the caller's last-error code survives it.
TEST_F(LogTest, MessagesFormatAsTheProgramUsesThemAndKeepTheLastError) {
    const Formatted cases[] = {
        // clang-format off
        {"line feed", [] { LogMessage(LOG_ERROR, L"Service stopped successfully\n"); }, "Service stopped successfully\r\n", L"Service stopped successfully\n"},
        {"lines of one message", [] { LogMessage(LOG_ACTIONS | LOG_INFO, L"head:\n --one\n --two\n"); }, "head:\r\n --one\r\n --two\r\n", L"head:\n --one\n --two\n"},
        {"small %d", [] { LogMessage(LOG_ERROR, L"failed %d\n", 5); }, "failed 5\r\n", L"failed 5\n"},
        {"SetupAPI code", [] { LogMessage(LOG_ERROR, L"failed %d\n", 0xE000020Bu); }, "failed -536870389\r\n", L"failed -536870389\n"},
        {"lowest int", [] { LogMessage(LOG_ERROR, L"%d\n", 0x80000000u); }, "-2147483648\r\n", L"-2147483648\n"},
        {"hex", [] { LogMessage(LOG_INFO, L"%08lX-%04hX-%02hhX %08lX-%04hX-%02hhX\n", 0x4D36E968ul, static_cast<unsigned short>(0xE325), static_cast<unsigned char>(0xBF), 0x1Aul, static_cast<unsigned short>(0x11), static_cast<unsigned char>(0x8)); }, "4D36E968-E325-BF 0000001A-0011-08\r\n", L"4D36E968-E325-BF 0000001A-0011-08\n"},
        {"narrow text", [] { LogMessage(LOG_INFO, L"Build: %S %S\n", "Oct  1 2019", "11:03:38"); }, "Build: Oct  1 2019 11:03:38\r\n", L"Build: Oct  1 2019 11:03:38\n"},
        {"Latin-1", [] { LogMessage(LOG_DEVICE, L"[%s]\n", L"caf\u00e9"); }, "[caf\xE9]\r\n", L"[caf\u00e9]\n"},
        {"above Latin-1", [] { LogMessage(LOG_DEVICE, L"[%s]\n", L"\u20ac1\u0100"); }, "[?1?]\r\n", L"[\u20ac1\u0100]\n"},
        {"surrogate pair is one character", [] { LogMessage(LOG_DEVICE, L"[%s]\n", L"a\U0001F600b"); }, "[a?b]\r\n", L"[a\U0001F600b]\n"},
        {"carriage return passes", [] { LogMessage(LOG_ERROR, L"a\rb\n"); }, "a\rb\r\n", L"a\rb\n"},
        {"no line feed", [] { LogMessage(LOG_ERROR, L"%s", L"open"); }, "open", L"open"},
        // clang-format on
    };
    for (const Formatted& c : cases) {
        StartOver();
        SetLastError(ERROR_NO_MORE_ITEMS);
        c.log();
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS)) << c.name;
        EXPECT_EQ(ReadLogFile(), c.file) << c.name; // no byte-order mark
        EXPECT_EQ(DebuggerLines(), std::vector<std::wstring>{DebuggerLine(c.message)}) << c.name;
    }
}

TEST_F(LogTest, OnlyTheDebuggerBitsDecideTheDebuggerCopy) {
    const struct {
        DWORD flags;
        bool toDebugger;
    } cases[] = {{0, false},      {0x800, false},  {0x40000, false}, {0xFFFC0FFF, false},
                 {0x1000, true},  {0x2000, true},  {0x6000, true},   {0x10000, true},
                 {0x12000, true}, {0x20000, true}, {0x3F000, true}};
    for (const auto& c : cases) {
        StartOver();
        LogMessage(c.flags, L"text\n");
        EXPECT_EQ(ReadLogFile(), "text\r\n") << std::hex << c.flags;
        EXPECT_EQ(DebuggerLines().size(), c.toDebugger ? 1u : 0u) << std::hex << c.flags;
    }
}

TEST_F(LogTest, TrailingCtrlZIsRemovedBeforeAppending) {
    const struct {
        std::string before;
        std::string after;
    } cases[] = {
        {"old\x1A", "old"
                    "new\r\n"},
        {"old\x1A\x1A", "old\x1A"
                        "new\r\n"},
        {"\x1A", "new\r\n"},
        {"old\x1Ax", "old\x1Ax"
                     "new\r\n"},
        {"old\r\n", "old\r\nnew\r\n"},
        {"", "new\r\n"},
    };
    for (const auto& c : cases) {
        WriteLogFile(c.before);
        LogMessage(LOG_ERROR, L"new\n");
        EXPECT_EQ(ReadLogFile(), c.after);
    }
}

// The log file opened past the seam at `offset`, which may lie beyond 4 GiB.
HANDLE OpenLogFileAt(DWORD access, LONGLONG offset) {
    HANDLE file =
        SEAM_REAL(CreateFileW)(kit::LogPath, access, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    LARGE_INTEGER position;
    position.QuadPart = offset;
    EXPECT_TRUE(SEAM_REAL(SetFilePointerEx)(file, position, nullptr, FILE_BEGIN));
    return file;
}

std::string ReadLogFileAt(LONGLONG offset, DWORD count) {
    HANDLE file = OpenLogFileAt(GENERIC_READ, offset);
    std::string bytes(count, '\0');
    DWORD read = 0;
    EXPECT_TRUE(SEAM_REAL(ReadFile)(file, bytes.data(), count, &read, nullptr));
    SEAM_REAL(CloseHandle)(file);
    bytes.resize(read);
    return bytes;
}

// A 32-bit move fails once the position no longer fits (Windows' rule, which the seam
// follows where Wine does not): the messages must still land at the end and the Ctrl-Z
// rule hold, before and after the 4 GiB boundary. The file is a hole but for its end, which
// a file system that keeps holes stores on no disk.
TEST_F(LogTest, LogCrossing4GiBKeepsItsStartAndTakesEveryMessageAtItsEnd) {
    const std::string head = "earlier run\r\n";
    const std::string tail = "tail\r\n\x1A";
    const LONGLONG tailAt = 0x100000000ll - 8 - static_cast<LONGLONG>(tail.size());
    WriteLogFile(head);
    HANDLE file = OpenLogFileAt(GENERIC_WRITE, tailAt);
    DWORD written = 0;
    ASSERT_TRUE(SEAM_REAL(WriteFile)(file, tail.data(), static_cast<DWORD>(tail.size()), &written,
                                     nullptr));
    SEAM_REAL(CloseHandle)(file);

    LogMessage(LOG_ERROR, L"crossing 4 GiB\n");
    LogMessage(LOG_ERROR, L"marked\x1A");
    LogMessage(LOG_ERROR, L"last\n");

    EXPECT_EQ(ReadLogFileAt(0, static_cast<DWORD>(head.size())), head);
    EXPECT_EQ(ReadLogFileAt(tailAt, 4096), "tail\r\ncrossing 4 GiB\r\nmarkedlast\r\n");
}

TEST_F(LogTest, FileHeldOpenByAnotherOpenerLosesOnlyTheFileCopy) {
    LogMessage(LOG_ERROR, L"before\n");
    HANDLE viewer =
        SEAM_REAL(CreateFileW)(kit::LogPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(viewer, INVALID_HANDLE_VALUE);
    SetLastError(1234);
    LogMessage(LOG_ERROR, L"while held\n");
    EXPECT_EQ(GetLastError(), 1234u); // the caller's code survives the failed open
    SEAM_REAL(CloseHandle)(viewer);
    LogMessage(LOG_ERROR, L"after\n");

    EXPECT_EQ(ReadLogFile(), "before\r\nafter\r\n");
    EXPECT_EQ(DebuggerLines(),
              (std::vector<std::wstring>{DebuggerLine(L"before\n"), DebuggerLine(L"while held\n"),
                                         DebuggerLine(L"after\n")}));
}

// Moves a folder aside for as long as it lives, and back whatever happens in between, so
// that the tests after it find the prefix whole.
class FolderMovedAside {
public:
    explicit FolderMovedAside(const std::wstring& path)
        : folder(path), aside(path + L".away"),
          moved(MoveFileW(folder.c_str(), aside.c_str()) != FALSE) {}
    ~FolderMovedAside() {
        if (moved) {
            EXPECT_TRUE(MoveFileW(aside.c_str(), folder.c_str())) << GetLastError();
        }
    }
    FolderMovedAside(const FolderMovedAside&) = delete;
    FolderMovedAside& operator=(const FolderMovedAside&) = delete;

    const std::wstring folder;
    const std::wstring aside;
    const bool moved;
};

TEST_F(LogTest, MissingFolderWritesNoFileButKeepsTheDebuggerCopy) {
    {
        const FolderMovedAside publicFolder(L"C:\\Users\\Public");
        ASSERT_TRUE(publicFolder.moved) << GetLastError();
        LogMessage(LOG_ERROR, L"lost\n");
        EXPECT_EQ(GetFileAttributesW(publicFolder.folder.c_str()), INVALID_FILE_ATTRIBUTES);
    }
    LogMessage(LOG_ERROR, L"kept\n");

    EXPECT_EQ(ReadLogFile(), "kept\r\n");
    EXPECT_EQ(DebuggerLines(),
              (std::vector<std::wstring>{DebuggerLine(L"lost\n"), DebuggerLine(L"kept\n")}));
}

TEST_F(LogTest, DebuggerCopyIsCutTo4095CharactersAndTheFileCopyIsWhole) {
    for (std::size_t length : {4094u, 4095u, 4096u, 9000u}) {
        StartOver();
        const std::wstring message(length, L'x');
        LogMessage(LOG_ERROR, L"%s", message.c_str());
        EXPECT_EQ(ReadLogFile(), std::string(length, 'x'));
        EXPECT_EQ(DebuggerLines(), std::vector<std::wstring>{DebuggerLine(message.substr(0, 4095))})
            << length;
    }
}

} // namespace
} // namespace setuptest
