#include "ProgramRun.h"

#include "Seam.h"

#include <gtest/gtest.h>

#include <regex>

namespace testsupport {

const SYSTEMTIME RunTime = {2024, 9, 4, 5, 9, 5, 3, 7};

int RunProgram(const wchar_t* commandLine, const SYSTEMTIME& now) {
    SEAM_OVERRIDE(GetLocalTime, [now](LPSYSTEMTIME time) { *time = now; });
    std::wstring text = commandLine;
    return wWinMain(nullptr, nullptr, text.data(), SW_SHOWNORMAL);
}

std::wstring CallLine(const std::wstring& numbers) {
    static const std::wregex stamp(
        L"IDDDriverSetup: Call: [0-9/: ]+ Build: ((Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|"
        L"Nov|Dec) [ 123][0-9] [0-9]{4} [0-2][0-9]:[0-5][0-9]:[0-5][0-9])\n\n");
    const std::vector<std::wstring> lines = seam::ArgumentOf("OutputDebugStringW", 0);
    const std::wstring line = lines.size() > 1 ? seam::Unquoted(lines[1]) : L"";
    std::wsmatch match;
    EXPECT_TRUE(std::regex_match(line, match, stamp)) << "no banner";
    return L"Call: " + numbers + L" Build: " + (match.empty() ? L"?" : match[1].str()) + L"\n";
}

} // namespace testsupport
