// ConferenceBusCtl: a console session on the ConferenceBus control interface.

#include <windows.h>

#include "BusSetup.h"
#include "CommandLine.h"
#include "Console.h"
#include "Session.h"
#include "Texts.h"

namespace {

conferencebus::Session* activeSession = nullptr;
HANDLE mainThread = nullptr;

// Ctrl-C ends the session instead of the process, so that the bus is closed in order; a
// read of standard input that blocks is cancelled.
BOOL WINAPI OnConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) {
        return FALSE;
    }
    if (activeSession != nullptr) {
        activeSession->Interrupt();
    }
    CancelSynchronousIo(mainThread);
    return TRUE;
}

void Out(const std::wstring& text) {
    conferencebus::WriteText(STD_OUTPUT_HANDLE, text);
}

void Err(const std::wstring& text) {
    conferencebus::WriteText(STD_ERROR_HANDLE, text);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    using namespace conferencebus;

    const Options options = ParseArguments(std::vector<std::wstring>(argv + 1, argv + argc));
    if (!options.error.empty()) {
        Err(texts::Error(options.error) + texts::Help);
        return 2;
    }
    if (options.help) {
        Out(texts::Help);
        return 0;
    }
    if (IsBusSetup(options.commands)) {
        return RunBusSetup(options.commands, Out, Err);
    }

    std::vector<std::wstring> lines = options.commands;
    if (!options.scriptPath.empty()) {
        const DWORD error = ReadScript(options.scriptPath, &lines);
        if (error != ERROR_SUCCESS) {
            Err(texts::Error(texts::ScriptUnreadable(options.scriptPath, error)));
            return 2;
        }
    }

    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &mainThread, 0,
                    FALSE, DUPLICATE_SAME_ACCESS);
    Session session(Out, Err, options.busPath);
    activeSession = &session;
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);

    if (options.commands.empty() && options.scriptPath.empty()) {
        const bool prompt = InputIsConsole();
        InputLines input;
        session.Run([prompt, &input](std::wstring* line) {
            if (prompt) {
                Out(texts::Prompt);
            }
            return input.Read(line);
        });
    } else {
        size_t next = 0;
        session.Run(
            [&lines, &next](std::wstring* line) {
                if (next == lines.size()) {
                    return false;
                }
                *line = lines[next++];
                return true;
            },
            options.scriptPath);
    }

    SetConsoleCtrlHandler(OnConsoleControl, FALSE);
    activeSession = nullptr;
    return session.ExitCode();
}
