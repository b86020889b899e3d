#include "wdfsim/InfInstall.h"

#include <windows.h>

#include <setupapi.h>

#include "wdfsim/InfReader.h"

#include <cwchar>
#include <tuple>
#include <vector>

namespace wdfsim {

namespace {

// A decoration NTamd64[.major[.minor[.product[.suite[.build]]]]] as a version the system must
// meet; a wrong architecture gives nothing.
bool DecorationVersion(const std::wstring& decoration, std::tuple<long, long, long>* version) {
    std::vector<std::wstring> parts(1);
    for (wchar_t unit : decoration) {
        if (unit == L'.') {
            parts.emplace_back();
        } else {
            parts.back() += unit;
        }
    }
    parts.resize(6);
    const auto number = [](const std::wstring& text) {
        return std::wcstol(text.c_str(), nullptr, 10);
    };
    *version = {number(parts[1]), number(parts[2]), number(parts[5])};
    return SameText(parts[0], L"NTamd64");
}

} // namespace

InfModel ReadInfModel(const std::wstring& infPath, const std::wstring& hardwareId, unsigned build) {
    const InfReader inf(infPath);
    InfModel model;
    std::tuple<long, long, long> best(-1, -1, -1);
    for (const auto& manufacturer : inf.Lines(L"Manufacturer")) {
        for (size_t field = 2; field < manufacturer.size(); field++) {
            std::tuple<long, long, long> version;
            if (!DecorationVersion(manufacturer[field], &version) ||
                version > std::make_tuple(10L, 0L, static_cast<long>(build)) ||
                std::get<2>(version) > static_cast<long>(build) || version <= best) {
                continue;
            }
            const std::wstring section = manufacturer[1] + L"." + manufacturer[field];
            for (const auto& line : inf.Lines(section)) {
                if (line.size() > 2 && SameText(line[2], hardwareId)) {
                    best = version;
                    model.modelsSection = section;
                    model.installSection = line[1];
                }
            }
        }
    }
    if (model.modelsSection.empty()) {
        return model;
    }
    // The install section with the most specific platform extension the INF has.
    std::wstring install = model.installSection;
    for (const wchar_t* extension : {L".NTamd64", L".NT"}) {
        if (inf.HasSection(model.installSection + extension)) {
            install = model.installSection + extension;
            break;
        }
    }
    for (const auto& hw : inf.Lines(install + L".HW")) {
        if (!SameText(hw[0], L"AddReg")) {
            continue;
        }
        for (size_t field = 1; field < hw.size(); field++) {
            for (const auto& value : inf.Lines(hw[field])) {
                // HKR,,Exclusive,0x10001,1: a REG_DWORD on the device's own key.
                if (value.size() > 5 && SameText(value[1], L"HKR") && value[2].empty() &&
                    SameText(value[3], L"Exclusive")) {
                    model.properties.exclusive = std::wcstoul(value[5].c_str(), nullptr, 0) != 0;
                }
            }
        }
    }
    return model;
}

} // namespace wdfsim
