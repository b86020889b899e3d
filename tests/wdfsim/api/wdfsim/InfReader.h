// An INF read with the platform's INF parser (SetupAPI), for the simulated machine's install
// and for the tests of the INF itself. Needs the platform's headers, and the test support
// folder for InfFile.h.
#pragma once

#include "InfFile.h"

#include <string>
#include <vector>

namespace wdfsim {

class InfReader {
public:
    explicit InfReader(const std::wstring& path) : file_(path) {}

    bool Opened() const { return file_.handle != INVALID_HANDLE_VALUE; }

    bool HasSection(const std::wstring& section) const {
        return SetupGetLineCountW(file_.handle, section.c_str()) >= 0;
    }

    // The string fields of every line of a section, %strings% substituted; field 0 is the key.
    std::vector<std::vector<std::wstring>> Lines(const std::wstring& section) const {
        std::vector<std::vector<std::wstring>> lines;
        INFCONTEXT line;
        for (BOOL found = SetupFindFirstLineW(file_.handle, section.c_str(), nullptr, &line); found;
             found = SetupFindNextLine(&line, &line)) {
            lines.push_back(Fields(line));
        }
        return lines;
    }

    // The first line with the key, as the parser finds it; the first line of all for an empty
    // key; no fields where there is no such line.
    std::vector<std::wstring> Line(const std::wstring& section, const std::wstring& key) const {
        INFCONTEXT line;
        if (!SetupFindFirstLineW(file_.handle, section.c_str(), key.empty() ? nullptr : key.c_str(),
                                 &line)) {
            return {};
        }
        return Fields(line);
    }

    // Where the platform copies the files of a CopyFiles section.
    std::wstring TargetPath(const std::wstring& section) const {
        wchar_t path[MAX_PATH];
        return SetupGetTargetPathW(file_.handle, nullptr, section.c_str(), path, ARRAYSIZE(path),
                                   nullptr)
                   ? path
                   : L"<missing>";
    }

private:
    static std::vector<std::wstring> Fields(INFCONTEXT& line) {
        std::vector<std::wstring> fields;
        for (DWORD field = 0; field <= SetupGetFieldCount(&line); field++) {
            wchar_t text[512];
            fields.push_back(
                SetupGetStringFieldW(&line, field, text, ARRAYSIZE(text), nullptr) ? text : L"");
        }
        return fields;
    }

    testsupport::InfFile file_;
};

} // namespace wdfsim
