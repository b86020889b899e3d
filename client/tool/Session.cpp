#include "Session.h"

#include <cwctype>

#include "Texts.h"

namespace conferencebus {

std::vector<std::wstring> SplitWords(const std::wstring& line) {
    std::vector<std::wstring> words;
    std::wstring word;
    for (wchar_t c : line) {
        if (std::iswspace(c)) {
            if (!word.empty()) {
                words.push_back(word);
                word.clear();
            }
        } else {
            word.push_back(c);
        }
    }
    if (!word.empty()) {
        words.push_back(word);
    }
    return words;
}

bool ParseSerial(const std::wstring& text, ULONG* serial) {
    if (text.empty() || text.size() > 10) {
        return false;
    }
    unsigned long long value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') {
            return false;
        }
        value = value * 10 + (c - L'0');
    }
    if (value > 0xFFFFFFFFull) {
        return false;
    }
    *serial = static_cast<ULONG>(value);
    return true;
}

Session::Session(Writer out, Writer err, std::wstring busPath)
    : out_(std::move(out)), err_(std::move(err)), busPath_(std::move(busPath)),
      interrupt_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

Session::~Session() {
    bus_.Close();
    if (interrupt_ != nullptr) {
        CloseHandle(interrupt_);
    }
}

void Session::Interrupt() {
    SetEvent(interrupt_);
}

bool Session::Interrupted() const {
    return WaitForSingleObject(interrupt_, 0) == WAIT_OBJECT_0;
}

bool Session::Fail(const std::wstring& message) {
    failed_ = true;
    err_(where_ + texts::Error(message));
    return false;
}

bool Session::Report(const BusError& error) {
    return error.Failed() ? Fail(error.message) : true;
}

bool Session::OpenBus() {
    return bus_.IsOpen() || Report(bus_.Open(busPath_));
}

void Session::Run(const LineSource& next, const std::wstring& origin) {
    std::wstring line;
    size_t number = 0;
    while (!ended_ && !Interrupted() && next(&line)) {
        number++;
        where_ = origin.empty() ? std::wstring() : texts::Where(origin, number);
        Execute(line);
    }
    where_.clear();
}

bool Session::Execute(const std::wstring& line) {
    if (ended_ || Interrupted()) {
        ended_ = true;
        return false;
    }
    const std::vector<std::wstring> words = SplitWords(line);
    if (words.empty() || words[0][0] == L'#') {
        return true;
    }
    const std::wstring& command = words[0];
    if (command == L"plug") {
        Plug(words);
    } else if (command == L"unplug") {
        Unplug(words);
    } else if (command == L"list") {
        List();
    } else if (command == L"buses") {
        Buses();
    } else if (command == L"wait") {
        Wait();
    } else if (command == L"help") {
        out_(texts::Help);
    } else if (command == L"quit" || command == L"exit") {
        ended_ = true;
    } else {
        Fail(texts::UnknownCommand(command));
    }
    return !ended_;
}

bool Session::Plug(const std::vector<std::wstring>& words) {
    ULONG serial = 0;
    if (words.size() < 3) {
        return Fail(texts::Usage(texts::PlugSyntax));
    }
    if (!ParseSerial(words[1], &serial)) {
        return Fail(texts::NotASerial(words[1]));
    }
    // A command's own faults are named before the bus is looked for.
    const std::vector<std::wstring> ids(words.begin() + 2, words.end());
    if (!Report(CheckHardwareIds(serial, ids)) || !OpenBus() || !Report(bus_.PlugIn(serial, ids))) {
        return false;
    }
    out_(texts::Plugged(serial));
    return true;
}

bool Session::Unplug(const std::vector<std::wstring>& words) {
    if (words.size() != 2) {
        return Fail(texts::Usage(texts::UnplugSyntax));
    }
    if (words[1] == L"all") {
        if (!OpenBus() || !Report(bus_.UnplugAll())) {
            return false;
        }
        out_(texts::UnpluggedAll);
        return true;
    }
    ULONG serial = 0;
    if (!ParseSerial(words[1], &serial)) {
        return Fail(texts::NotASerial(words[1]));
    }
    if (!Report(CheckUnplugSerial(serial)) || !OpenBus() || !Report(bus_.Unplug(serial))) {
        return false;
    }
    out_(texts::Unplugged(serial));
    return true;
}

bool Session::List() {
    std::vector<ChildDevice> children;
    if (!OpenBus() || !Report(bus_.ListChildren(&children))) {
        return false;
    }
    if (children.empty()) {
        out_(texts::NoChildren);
        return true;
    }
    out_(texts::ChildHeader);
    for (const ChildDevice& child : children) {
        out_(texts::ChildRow(child.deviceId, child.instanceId, child.description, child.location));
    }
    return true;
}

bool Session::Buses() {
    std::vector<std::wstring> paths;
    if (!Report(FindBuses(&paths))) {
        return false;
    }
    for (const std::wstring& path : paths) {
        out_(path + L"\n");
    }
    return true;
}

bool Session::Wait() {
    std::vector<ChildDevice> children;
    if (!OpenBus() || !Report(bus_.ListChildren(&children))) {
        return false;
    }
    out_(texts::Holding(children.size()));
    WaitForSingleObject(interrupt_, INFINITE);
    out_(texts::Interrupted);
    ended_ = true;
    return true;
}

} // namespace conferencebus
