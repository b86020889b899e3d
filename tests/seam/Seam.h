// Fault-injection seam for the Win32 entry points that the kit's programs call.
//
// A test executable that links the seam library replaces the import pointers
// (__imp_<name>) of those entry points, so the product's own object files, compiled
// exactly as they ship, call through the seam. By default every call is recorded and
// then forwarded to the real implementation (Wine's here, Windows' there), or, where
// Wine is kinder than Windows' documented behaviour, to a stand-in that behaves as
// Windows does (WindowsRules.cpp). A test can make the Nth call of an entry point fail
// with a chosen result and last-error code, replace an entry point with a function of
// its own, and read back the calls.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace seam {

struct Call {
    std::string function;
    std::vector<std::wstring> args; // each argument as text, see Describe()
    std::wstring result;            // empty for void entry points
};

// Clears the call record, the scripted failures and the overrides.
void Reset();

std::vector<Call> Calls();
std::vector<Call> CallsTo(const std::string& function);
// The argument at `index` (from 0) of every recorded call of `function`, in order.
std::vector<std::wstring> ArgumentOf(const std::string& function, std::size_t index);

// The `nth` call (1-based, counted since Reset) of `function` returns `result` with the
// thread's last-error code set to `lastError`, without reaching the platform. With
// ERROR_SUCCESS it sets no code at all: a call that fails without one leaves the thread's
// code as the calls before it left it, so a caller that does not clear it reads a stale one.
void FailCall(const std::string& function, unsigned nth, std::uintptr_t result, DWORD lastError);

// INVALID_HANDLE_VALUE as a scripted result.
constexpr std::uintptr_t InvalidHandle = ~std::uintptr_t{0};

// Number of calls of `function` since Reset.
unsigned CountOf(const std::string& function);

// Textual forms used in the call record.
std::wstring Describe(const wchar_t* text);
std::wstring Describe(wchar_t* buffer);
std::wstring Describe(const char* text);
std::wstring Describe(const GUID* guid);
std::wstring Describe(const void* pointer);
std::wstring Describe(std::uint64_t value);
std::wstring Describe(std::int64_t value);
std::wstring Describe(LARGE_INTEGER value);
template <typename T> std::wstring Describe(T value) {
    if constexpr (std::is_pointer_v<T>) {
        return Describe(static_cast<const void*>(value));
    } else if constexpr (std::is_signed_v<T>) {
        return Describe(static_cast<std::int64_t>(value));
    } else {
        return Describe(static_cast<std::uint64_t>(value));
    }
}

// The text of a recorded string argument, without the quotes of the record; any other
// form as it stands.
std::wstring Unquoted(const std::wstring& described);

namespace detail {

struct Override {
    virtual ~Override() = default;
};

template <typename Fn> struct TypedOverride : Override {
    explicit TypedOverride(std::function<Fn> f) : function(std::move(f)) {}
    std::function<Fn> function;
};

struct Scripted {
    std::uintptr_t result;
    DWORD lastError;
};

struct Entered {
    std::size_t index; // of the call's record, for SetResult
    bool scripted;
    Scripted outcome;
};

// Records a call and tells whether a scripted outcome replaces it.
Entered Enter(const char* function, std::vector<std::wstring> args);
void SetResult(std::size_t index, std::wstring result);
Override* FindOverride(const char* function);
void InstallOverride(const char* function, std::unique_ptr<Override> replacement);
// The implementation that an entry point forwards to: its Windows stand-in, if it has
// one, or the platform's own.
FARPROC ResolveReal(const wchar_t* dll, const char* function);
FARPROC ResolvePlatform(const wchar_t* dll, const char* function);
FARPROC WindowsRule(const char* function); // null for most entry points

inline void SetScriptedError(const Scripted& outcome) {
    if (outcome.lastError != ERROR_SUCCESS) {
        SetLastError(outcome.lastError);
    }
}

template <typename R> R FromScript(std::uintptr_t value) {
    if constexpr (std::is_pointer_v<R>) {
        return reinterpret_cast<R>(value);
    } else {
        return static_cast<R>(value);
    }
}

template <typename Tag, typename Fn> struct Hook;

template <typename Tag, typename R, typename... A> struct Hook<Tag, R WINAPI(A...)> {
    using Signature = R WINAPI(A...);

    static Signature* Real() {
        static Signature* real =
            reinterpret_cast<Signature*>(reinterpret_cast<void*>(ResolveReal(Tag::Dll, Tag::Name)));
        return real;
    }

    static R WINAPI Call(A... args) {
        const Entered entered = Enter(Tag::Name, {Describe(args)...});
        if (entered.scripted) {
            if constexpr (!std::is_void_v<R>) {
                // Recorded in the same form as a real result of this type.
                const R result = FromScript<R>(entered.outcome.result);
                SetResult(entered.index, Describe(result));
                SetScriptedError(entered.outcome);
                return result;
            } else {
                SetScriptedError(entered.outcome);
                return;
            }
        }
        auto* replacement = static_cast<TypedOverride<R(A...)>*>(FindOverride(Tag::Name));
        if constexpr (std::is_void_v<R>) {
            replacement ? replacement->function(args...) : Real()(args...);
        } else {
            R result = replacement ? replacement->function(args...) : Real()(args...);
            const DWORD error = GetLastError();
            SetResult(entered.index, Describe(result));
            SetLastError(error);
            return result;
        }
    }
};

template <typename Fn> struct Plain;
template <typename R, typename... A> struct Plain<R WINAPI(A...)> { using Type = R(A...); };

} // namespace detail

} // namespace seam

// Replaces an entry point for the rest of the test (until seam::Reset()).
#define SEAM_OVERRIDE(fn, replacement)                                                             \
    ::seam::detail::InstallOverride(                                                               \
        #fn,                                                                                       \
        std::make_unique<                                                                          \
            ::seam::detail::TypedOverride<typename ::seam::detail::Plain<decltype(fn)>::Type>>(    \
            replacement))

// The real implementation of an entry point, bypassing the seam.
#define SEAM_REAL(fn) (::seam::detail::Hook<::seam::entries::fn##_Entry, decltype(fn)>::Real())

#include "SeamEntries.h"
