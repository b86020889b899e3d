#include "LogFormat.h"

#include <cwchar>

namespace {

struct Directive {
    bool zeroPad = false;
    unsigned width = 0;
    int lengthModifier = 0; // 0 none, 1 h, 2 hh, 3 l
    wchar_t conversion = 0;
};

// Parses the directive after a '%'; returns the position past it, or nullptr when the
// text is not a directive this formatter knows.
const wchar_t* ParseDirective(const wchar_t* at, Directive& directive) {
    if (*at == L'0') {
        directive.zeroPad = true;
        ++at;
    }
    while (*at >= L'0' && *at <= L'9' && directive.width < 1000) {
        directive.width = directive.width * 10 + static_cast<unsigned>(*at - L'0');
        ++at;
    }
    if (at[0] == L'h' && at[1] == L'h') {
        directive.lengthModifier = 2;
        at += 2;
    } else if (*at == L'h') {
        directive.lengthModifier = 1;
        ++at;
    } else if (*at == L'l') {
        directive.lengthModifier = 3;
        ++at;
    }
    switch (*at) {
    case L'd':
    case L's':
    case L'S':
    case L'X':
    case L'%':
        directive.conversion = *at;
        return at + 1;
    default:
        return nullptr;
    }
}

void AppendPadded(std::wstring& out, const std::wstring& digits, const Directive& directive) {
    if (digits.size() < directive.width) {
        out.append(directive.width - digits.size(), directive.zeroPad ? L'0' : L' ');
    }
    out += digits;
}

// Digits are produced here rather than through the C runtime's printf family, which
// carries floating-point formatting the log never needs.
std::wstring Digits(unsigned long long value, unsigned base) {
    static const wchar_t digits[] = L"0123456789ABCDEF";
    wchar_t text[24];
    wchar_t* first = text + 24;
    do {
        *--first = digits[value % base];
        value /= base;
    } while (value != 0);
    return std::wstring(first, text + 24);
}

} // namespace

std::wstring FormatLogText(const wchar_t* format, va_list args) {
    std::wstring out;
    for (const wchar_t* at = format; *at;) {
        Directive directive;
        const wchar_t* next = *at == L'%' ? ParseDirective(at + 1, directive) : nullptr;
        if (!next) {
            out += *at++;
            continue;
        }
        at = next;
        switch (directive.conversion) {
        case L'%':
            out += L'%';
            break;
        case L'd': {
            // Error codes arrive here as they come from the system; one with the high
            // bit set prints as the negative value of its 32 bits.
            const int value = va_arg(args, int);
            if (value < 0) {
                out += L'-';
            }
            const long long magnitude = value < 0 ? -static_cast<long long>(value) : value;
            AppendPadded(out, Digits(static_cast<unsigned long long>(magnitude), 10), directive);
            break;
        }
        case L'X': {
            // Arguments narrower than int arrive promoted to int; the length modifier
            // says how many of its bits are the value.
            unsigned long long value = va_arg(args, unsigned int);
            if (directive.lengthModifier == 1) {
                value &= 0xFFFF;
            } else if (directive.lengthModifier == 2) {
                value &= 0xFF;
            }
            AppendPadded(out, Digits(value, 16), directive);
            break;
        }
        case L's': {
            const wchar_t* text = va_arg(args, const wchar_t*);
            out += text ? text : L"(null)";
            break;
        }
        case L'S': {
            const char* text = va_arg(args, const char*);
            for (const char* c = text ? text : "(null)"; *c; ++c) {
                out += static_cast<wchar_t>(static_cast<unsigned char>(*c));
            }
            break;
        }
        }
    }
    return out;
}

std::string EncodeLogFileText(const std::wstring& message) {
    std::string bytes;
    bytes.reserve(message.size() + 8);
    for (std::size_t i = 0; i < message.size(); ++i) {
        const wchar_t c = message[i];
        if (c == L'\n') {
            bytes += "\r\n";
        } else if (c <= 0xFF) {
            bytes += static_cast<char>(c);
        } else {
            // A surrogate pair is one character, hence one "?".
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < message.size() && message[i + 1] >= 0xDC00 &&
                message[i + 1] <= 0xDFFF) {
                ++i;
            }
            bytes += '?';
        }
    }
    return bytes;
}
