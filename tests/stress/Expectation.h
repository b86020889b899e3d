// What one run of the sweep must show: the whole log, the system the run leaves, the INF
// path it hands on and the calls it must not make after the failure. It starts as the
// clean run's and is edited by the rule of the call that fails; every edit works from
// the failure on, the clean run before it being the same.
#pragma once

#include "PreparedSystem.h"
#include "SweepMessages.h"

#include <optional>
#include <string>
#include <vector>

namespace sweep {

class Expectation {
public:
    Expectation(Lines cleanLog, std::size_t failedAt, SystemState cleanState,
                SystemState stateAtFailure, std::wstring infPath);

    // The clean run's message that was to come next when the call failed.
    const std::wstring& Next() const { return log.at(failedAt); }

    // The workflow ends at the failure: `lines` (the step's own, then the workflow's),
    // then the entry's outcome line. Nothing happens after it but logging and releases,
    // so the system stays as the failure found it.
    void Stop(const Lines& lines);
    // The same for a refusal that counts as success.
    void StopSucceeding(const Lines& lines);
    // `count` messages from the failure on give way to `lines`.
    void Replace(std::size_t count, const Lines& lines);
    // The messages from the failure through the first `last` give way to `lines`.
    void ReplaceThrough(const std::wstring& last, const Lines& lines);
    void InsertAfter(const std::wstring& anchor, const Lines& lines);
    void Substitute(const std::wstring& line, const std::wstring& by);
    void DropLinesNaming(const std::wstring& text);
    // A later step fails in consequence: from the first `first` on, `lines` and the
    // entry's failure line.
    void FailFrom(const std::wstring& first, const Lines& lines);
    // The message being written when the call failed is missing from the file only.
    void LoseFileCopy() { lostFileCopy = failedAt; }

    Lines FileLines() const;

    Lines log; // as the debugger output shows it
    SystemState state;
    std::wstring infPath;
    bool stops = false;
    std::vector<std::string> mayFollowStop; // beyond logging and releases
    std::vector<std::string> notCalledAfter;

private:
    std::size_t Find(const std::wstring& line) const;
    void StopWith(const Lines& lines, const wchar_t* outcome);

    std::size_t failedAt;
    SystemState stateAtFailure;
    std::optional<std::size_t> lostFileCopy;
};

} // namespace sweep
