#include "CommandLine.h"

namespace conferencebus {

Options ParseArguments(const std::vector<std::wstring>& arguments) {
    Options options;
    for (size_t index = 0; index < arguments.size() && options.error.empty(); index++) {
        const std::wstring& argument = arguments[index];
        const bool hasValue = index + 1 < arguments.size();
        if (argument == L"--help" || argument == L"-h" || argument == L"/?") {
            options.help = true;
        } else if (argument == L"--bus" || argument == L"--script") {
            if (!hasValue) {
                options.error = argument + L" needs a value";
                break;
            }
            (argument == L"--bus" ? options.busPath : options.scriptPath) = arguments[++index];
        } else if (argument.size() > 2 && argument.compare(0, 2, L"--") == 0) {
            options.error = L"unknown option " + argument;
        } else {
            options.commands.push_back(argument);
        }
    }
    if (options.error.empty() && !options.scriptPath.empty() && !options.commands.empty()) {
        options.error = L"give commands or a script, not both";
    }
    return options;
}

std::wstring FromUtf8(const char* bytes, size_t length) {
    if (length == 0) {
        return std::wstring();
    }
    const int units = MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(length), nullptr, 0);
    std::wstring text(units, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(length), &text[0], units);
    return text;
}

std::vector<std::wstring> SplitLines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) {
            end = text.size();
        }
        std::wstring line = text.substr(start, end - start);
        if (!line.empty() && line.back() == L'\r') {
            line.pop_back();
        }
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

DWORD ReadScript(const std::wstring& path, std::vector<std::wstring>* lines) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return GetLastError();
    }
    std::string bytes;
    char chunk[4096];
    DWORD read = 0;
    BOOL readOk;
    // A failed read sets the count to 0 as the end of the file does; only the result
    // tells them apart, and a script cut short must not run.
    while ((readOk = ReadFile(file, chunk, sizeof(chunk), &read, nullptr)) && read != 0) {
        bytes.append(chunk, read);
    }
    const DWORD error = readOk ? ERROR_SUCCESS : GetLastError();
    CloseHandle(file);
    if (error != ERROR_SUCCESS) {
        return error;
    }

    *lines = SplitLines(DecodeText(bytes, StartsAsUtf16(bytes)));
    return ERROR_SUCCESS;
}

bool StartsAsUtf16(const std::string& bytes) {
    return bytes.compare(0, 2, "\xFF\xFE") == 0;
}

std::wstring DecodeText(const std::string& bytes, bool utf16) {
    std::wstring text = utf16 ? std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()),
                                             bytes.size() / sizeof(wchar_t))
                              : FromUtf8(bytes.data(), bytes.size());
    if (!text.empty() && text[0] == L'\xFEFF') {
        text.erase(0, 1);
    }
    return text;
}

} // namespace conferencebus
