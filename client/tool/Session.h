// A ConferenceBusCtl session: commands run one at a time against one open bus handle, which
// stays open, holding the plugged-in children, until the session ends.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ConferenceBusClient.h"

namespace conferencebus {

using Writer = std::function<void(const std::wstring& text)>;
// Gives the next command line; false at the end of the input.
using LineSource = std::function<bool(std::wstring* line)>;

class Session {
public:
    // The bus is opened at the first command that needs it; an empty path takes the first.
    Session(Writer out, Writer err, std::wstring busPath);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Runs one command line; false when the session has ended.
    bool Execute(const std::wstring& line);
    // Runs command lines until the input or the session ends. With a script's path as their
    // origin, each failure names the script and the line: FILE:LINE: error: ...
    void Run(const LineSource& next, const std::wstring& origin = std::wstring());
    // Ends a wait and the session, as Ctrl-C does; safe from another thread.
    void Interrupt();
    // 0 when every command succeeded, 1 when one failed.
    int ExitCode() const { return failed_ ? 1 : 0; }

private:
    bool Plug(const std::vector<std::wstring>& words);
    bool Unplug(const std::vector<std::wstring>& words);
    bool List();
    bool Buses();
    bool Wait();
    bool OpenBus();
    bool Report(const BusError& error);
    bool Fail(const std::wstring& message);
    bool Interrupted() const;

    Writer out_;
    Writer err_;
    std::wstring busPath_;
    BusClient bus_;
    HANDLE interrupt_;
    std::wstring where_; // the origin of the running command, before its errors
    bool failed_ = false;
    bool ended_ = false;
};

// Splits a command line into words at white space; an empty result is an empty line.
std::vector<std::wstring> SplitWords(const std::wstring& line);

// Reads a decimal serial number from 0 to 4294967295.
bool ParseSerial(const std::wstring& text, ULONG* serial);

} // namespace conferencebus
