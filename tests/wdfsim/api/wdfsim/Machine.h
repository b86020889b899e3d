// The simulated machine that a test drives: the framework loads the driver, Plug and Play
// adds bus devices and enumerates their children, and an I/O manager opens handles and
// sends control requests. This header uses no kernel or Win32 types, so user-mode test
// code can include it beside <windows.h>.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cwctype>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace wdfsim {

// Texts compare without regard to case, as device paths, instance ids and INF keys do.
inline bool SameText(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); i++) {
        if (std::towlower(a[i]) != std::towlower(b[i])) {
            return false;
        }
    }
    return true;
}

using Status = int32_t; // an NTSTATUS
using HandleId = uint32_t;

// Access rights of a handle, as the I/O manager checks them against a control code.
constexpr uint32_t FileReadData = 0x0001;
constexpr uint32_t FileWriteData = 0x0002;

// A child device as Plug and Play reports it, texts in the default locale.
struct ChildInfo {
    uint32_t deviceType;
    std::wstring deviceId;
    std::vector<std::wstring> hardwareIds;
    std::wstring instanceId;
    std::wstring description;
    std::wstring location;
    uint32_t defaultLocale;
};

struct Interface {
    size_t bus;
    std::wstring path; // the symbolic link
};

// Properties of a device node that its installation sets (the INF's DDInstall.HW AddReg).
struct DeviceProperties {
    bool exclusive = false; // Exclusive: the stack admits one open file object at a time
};

struct IoStatus {
    Status status;
    uint64_t information;
};

// Plug and Play's work on a bus, in the steps that it takes one at a time.
enum class PnpStep {
    // A bus-relations query: the list is locked for enumeration; children reported missing
    // are left out of the answer.
    StartAnswer,
    // EvtChildListCreateDevice for the next child that the answer under way reports anew.
    CreateChild,
    // The answer is given and the list unlocked: the changes it queued meanwhile are applied.
    FinishAnswer,
    // The device of the oldest child left out of an answer is removed, which frees its entry.
    RemoveChild,
};

struct State;

class Machine {
public:
    // One machine exists at a time; the framework routines act on it.
    Machine();
    // Closes open handles, removes every device and fails the test on leaked pool.
    ~Machine();
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    // The loader stub binds the framework and calls DriverEntry.
    Status LoadDriver();
    // Plug and Play finds a bus device node installed with the given properties: device add,
    // then start (interfaces enabled).
    Status AddBus(size_t* bus = nullptr, DeviceProperties properties = {});
    size_t BusCount() const;
    // Answers the pending bus-relations query of every bus, then removes the children the
    // answers left out. On a real system both follow each change asynchronously; here the
    // caller decides when, and may hold the removals back by answering the queries alone, or
    // take Plug and Play's work step by step.
    void RunPnp();
    void AnswerBusRelations();
    void RemoveLeftOutChildren();
    // The steps that Plug and Play can take next on the bus, in the order of PnpStep.
    std::vector<PnpStep> PnpSteps(size_t bus) const;
    void Take(size_t bus, PnpStep step);
    // The child devices that exist, those left out of the relations and not yet removed too.
    std::vector<ChildInfo> Children(size_t bus) const;
    // The enabled interfaces of a class, given as "{xxxxxxxx-...}", in the order of their buses.
    std::vector<Interface> Interfaces(const std::wstring& interfaceClass) const;

    // I/O manager. Every routine fails the test when the driver breaks a request rule. A
    // stack whose node is exclusive refuses an open while a file object of it is not closed.
    Status Open(size_t bus, uint32_t access, HandleId* handle);
    Status OpenPath(const std::wstring& path, uint32_t access, HandleId* handle);
    // An open relative to an open handle, which exclusivity does not stop.
    Status OpenRelative(HandleId related, uint32_t access, HandleId* handle);
    // `output` may be null; a non-null pointer marks the request as an input operation, even
    // with a length of 0. A kernel-mode sender may send at DISPATCH_LEVEL.
    IoStatus DeviceControl(HandleId handle, uint32_t code, const void* input, size_t inputLength,
                           void* output, size_t outputLength, bool atDispatchLevel = false);
    // Cleanup runs at once, in the caller's thread, while requests on the handle may still
    // run; close comes when the last of them has completed.
    void Close(HandleId handle);
    size_t OpenHandles() const;
    // What Windows would find wrong now with the bus's children as the handles left them: a
    // child still present that was plugged in through a handle whose cleanup has returned.
    // Empty when nothing.
    std::string ChildOutlivingItsHandle(size_t bus) const;

    // A call of the named routine fails with the status (a pool allocation returns NULL):
    // the next one, or the one after `skip` more calls. Several failures queue up.
    void FailNext(const std::string& routine, Status status, unsigned skip = 0);
    // The next call of the named routine runs `action` first, in the caller's thread.
    void BeforeNext(const std::string& routine, std::function<void()> action);
    size_t OutstandingPoolBlocks() const;
    // Names of the framework and kernel routines the driver called, in order.
    const std::vector<std::string>& Calls() const;
    void ClearCalls();
    size_t Violations() const;
    // Plug and Play's fatal errors (bug check 0xCA): each has failed the test already.
    size_t FatalErrors() const;

private:
    std::unique_ptr<State> state_;
};

} // namespace wdfsim
