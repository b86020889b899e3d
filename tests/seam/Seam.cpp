#include "Seam.h"

#include <cstdio>
#include <map>
#include <mutex>

namespace seam {
namespace {

struct State {
    std::recursive_mutex lock;
    std::vector<Call> calls;
    std::map<std::string, unsigned> counts;
    std::map<std::pair<std::string, unsigned>, detail::Scripted> scripts;
    std::map<std::string, std::unique_ptr<detail::Override>> overrides;
};

State& Global() {
    static State state;
    return state;
}

} // namespace

void Reset() {
    auto& s = Global();
    std::lock_guard<std::recursive_mutex> guard(s.lock);
    s.calls.clear();
    s.counts.clear();
    s.scripts.clear();
    s.overrides.clear();
}

std::vector<Call> Calls() {
    auto& s = Global();
    std::lock_guard<std::recursive_mutex> guard(s.lock);
    return s.calls;
}

std::vector<Call> CallsTo(const std::string& function) {
    std::vector<Call> matching;
    for (auto& call : Calls()) {
        if (call.function == function) {
            matching.push_back(call);
        }
    }
    return matching;
}

std::vector<std::wstring> ArgumentOf(const std::string& function, std::size_t index) {
    std::vector<std::wstring> values;
    for (const Call& call : CallsTo(function)) {
        values.push_back(call.args.at(index));
    }
    return values;
}

void FailCall(const std::string& function, unsigned nth, std::uintptr_t result, DWORD lastError) {
    auto& s = Global();
    std::lock_guard<std::recursive_mutex> guard(s.lock);
    s.scripts[{function, nth}] = detail::Scripted{result, lastError};
}

unsigned CountOf(const std::string& function) {
    auto& s = Global();
    std::lock_guard<std::recursive_mutex> guard(s.lock);
    auto found = s.counts.find(function);
    return found == s.counts.end() ? 0 : found->second;
}

std::wstring Describe(const wchar_t* text) {
    return text ? L"\"" + std::wstring(text) + L"\"" : L"null";
}

// A writable buffer is usually an output that holds no text yet: only its address.
std::wstring Describe(wchar_t* buffer) {
    return Describe(static_cast<const void*>(buffer));
}

std::wstring Describe(const char* text) {
    if (!text) {
        return L"null";
    }
    std::wstring wide;
    for (const char* c = text; *c; ++c) {
        wide += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    }
    return L"\"" + wide + L"\"";
}

std::wstring Describe(const GUID* guid) {
    if (!guid) {
        return L"null";
    }
    wchar_t text[40];
    std::swprintf(
        text, 40, L"{%08lX-%04hX-%04hX-%02hhX%02hhX-%02hhX%02hhX%02hhX%02hhX%02hhX%02hhX}",
        guid->Data1, guid->Data2, guid->Data3, guid->Data4[0], guid->Data4[1], guid->Data4[2],
        guid->Data4[3], guid->Data4[4], guid->Data4[5], guid->Data4[6], guid->Data4[7]);
    return text;
}

std::wstring Describe(const void* pointer) {
    if (!pointer) {
        return L"null";
    }
    wchar_t text[24];
    std::swprintf(text, 24, L"0x%llX",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(pointer)));
    return text;
}

std::wstring Describe(std::uint64_t value) {
    return std::to_wstring(value);
}
std::wstring Describe(std::int64_t value) {
    return std::to_wstring(value);
}
std::wstring Describe(LARGE_INTEGER value) {
    return std::to_wstring(value.QuadPart);
}

std::wstring Unquoted(const std::wstring& described) {
    return described.size() >= 2 && described.front() == L'"'
               ? described.substr(1, described.size() - 2)
               : described;
}

namespace detail {

Entered Enter(const char* function, std::vector<std::wstring> args) {
    auto& s = Global();
    std::lock_guard<std::recursive_mutex> guard(s.lock);
    const unsigned nth = ++s.counts[function];
    s.calls.push_back(Call{function, std::move(args), {}});
    Entered entered{s.calls.size() - 1, false, {}};
    auto found = s.scripts.find({function, nth});
    if (found != s.scripts.end()) {
        entered.scripted = true;
        entered.outcome = found->second;
    }
    return entered;
}

void SetResult(std::size_t index, std::wstring result) {
    auto& s = Global();
    std::lock_guard<std::recursive_mutex> guard(s.lock);
    if (index < s.calls.size()) { // a Reset inside an override empties the record
        s.calls[index].result = std::move(result);
    }
}

Override* FindOverride(const char* function) {
    auto& s = Global();
    std::lock_guard<std::recursive_mutex> guard(s.lock);
    auto found = s.overrides.find(function);
    return found == s.overrides.end() ? nullptr : found->second.get();
}

void InstallOverride(const char* function, std::unique_ptr<Override> replacement) {
    auto& s = Global();
    std::lock_guard<std::recursive_mutex> guard(s.lock);
    s.overrides[function] = std::move(replacement);
}

FARPROC ResolveReal(const wchar_t* dll, const char* function) {
    const FARPROC rule = WindowsRule(function);
    return rule ? rule : ResolvePlatform(dll, function);
}

FARPROC ResolvePlatform(const wchar_t* dll, const char* function) {
    // LoadLibraryW and GetProcAddress are not in the seam, so these reach the platform.
    HMODULE module = LoadLibraryW(dll);
    FARPROC real = module ? GetProcAddress(module, function) : nullptr;
    if (!real) {
        std::fprintf(stderr, "seam: %s has no real implementation here\n", function);
        std::abort();
    }
    return real;
}

} // namespace detail
} // namespace seam
