// The system that the fault sweep runs both workflows on, as an installation of the
// package leaves it: our device node after a PCI display adapter, two copies of our
// package staged around another vendor's, the service (running), its framework key and
// the driver files. It stands on the fake Windows machine of the setup tests; the
// service control manager is faked here too, so that every step of a clean run
// succeeds.
#pragma once

#include "FakeWindows.h"
#include "Seam.h"

#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace sweep {

struct SystemState {
    unsigned ourNodes = 0;             // present device nodes whose first id is ours
    std::set<std::wstring> stagedInfs; // file names in the INF directory
    bool service = false;
    bool frameworkKey = false;
    std::set<std::wstring> driverFiles; // relative to the Windows directory
};
bool operator==(const SystemState& a, const SystemState& b);
void PrintTo(const SystemState& state, std::ostream* out);

class PreparedSystem {
public:
    explicit PreparedSystem(setuptest::FakeWindows& machine);

    // Lays the system down again and installs its overrides; the seam must have been
    // reset and the machine's own overrides installed.
    void Prepare();

    SystemState State() const;
    static SystemState PreparedState();
    // The state that the calls of a run before `position` left, from what each of them
    // does on success.
    SystemState StateBefore(const std::vector<seam::Call>& calls, std::size_t position) const;

    std::wstring InfPath() const;
    // The staged INF files in the order the file search returns them, and which are ours.
    static const std::vector<std::wstring>& StagedInfs();
    static bool IsOurs(const std::wstring& stagedInf);

private:
    void InstallServiceManager();

    setuptest::FakeWindows& machine;
    bool serviceExists = false;
    UINT_PTR nextServiceHandle = 0x5C0001;
};

} // namespace sweep
