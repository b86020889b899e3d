#include "Expectation.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace sweep {

Expectation::Expectation(Lines cleanLog, std::size_t failedAtMessage, SystemState cleanState,
                         SystemState stateAtFailureCall, std::wstring cleanInfPath)
    : log(std::move(cleanLog)), state(std::move(cleanState)), infPath(std::move(cleanInfPath)),
      failedAt(failedAtMessage), stateAtFailure(std::move(stateAtFailureCall)) {}

std::size_t Expectation::Find(const std::wstring& line) const {
    const auto found =
        std::find(log.begin() + static_cast<std::ptrdiff_t>(failedAt), log.end(), line);
    if (found == log.end()) {
        ADD_FAILURE() << "the rule names a message the clean run does not write after the "
                         "failure: "
                      << testing::PrintToString(line);
    }
    return static_cast<std::size_t>(found - log.begin());
}

void Expectation::StopWith(const Lines& lines, const wchar_t* outcome) {
    log.resize(failedAt);
    log.insert(log.end(), lines.begin(), lines.end());
    log.push_back(outcome);
    state = stateAtFailure;
    stops = true;
}

void Expectation::Stop(const Lines& lines) {
    StopWith(lines, SetupFailed);
}

void Expectation::StopSucceeding(const Lines& lines) {
    StopWith(lines, SetupSuccess);
}

void Expectation::Replace(std::size_t count, const Lines& lines) {
    const auto from = log.begin() + static_cast<std::ptrdiff_t>(failedAt);
    log.insert(log.erase(from, from + static_cast<std::ptrdiff_t>(count)), lines.begin(),
               lines.end());
}

void Expectation::ReplaceThrough(const std::wstring& last, const Lines& lines) {
    Replace(std::min(Find(last), log.size() - 1) + 1 - failedAt, lines);
}

void Expectation::InsertAfter(const std::wstring& anchor, const Lines& lines) {
    const std::size_t at = std::min(Find(anchor) + 1, log.size());
    log.insert(log.begin() + static_cast<std::ptrdiff_t>(at), lines.begin(), lines.end());
}

void Expectation::Substitute(const std::wstring& line, const std::wstring& by) {
    std::replace(log.begin() + static_cast<std::ptrdiff_t>(failedAt), log.end(), line, by);
}

void Expectation::DropLinesNaming(const std::wstring& text) {
    log.erase(std::remove_if(
                  log.begin() + static_cast<std::ptrdiff_t>(failedAt), log.end(),
                  [&](const std::wstring& line) { return line.find(text) != std::wstring::npos; }),
              log.end());
}

void Expectation::FailFrom(const std::wstring& first, const Lines& lines) {
    log.resize(Find(first));
    log.insert(log.end(), lines.begin(), lines.end());
    log.push_back(SetupFailed);
}

Lines Expectation::FileLines() const {
    Lines file = log;
    if (lostFileCopy) {
        file.erase(file.begin() + static_cast<std::ptrdiff_t>(*lostFileCopy));
    }
    return file;
}

} // namespace sweep
