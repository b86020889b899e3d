// What the driver tests share: a machine with the driver loaded, one bus device added and
// its interface opened for reading, and builders of raw request buffers.
#pragma once

#include "ConferenceBus.h"
#include "InstalledBus.h"
#include "wdfsim/State.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// A plug-in buffer: Size, SerialNumber, then the code units as given (NULs included).
Bytes PluginInput(uint32_t size, uint32_t serial, const std::u16string& units);
// A plug-in buffer as a well-formed caller builds it: ids separated by NULs, final NUL.
Bytes PluginInput(uint32_t serial, const std::vector<std::u16string>& ids);
// An unplug buffer of `length` bytes (at least 8) whose Size field holds `size`.
Bytes UnplugInput(uint32_t size, uint32_t serial, size_t length = sizeof(BUS_UNPLUG_INPUT));

// Names the cases of a parameterised test after the `name` field of their parameter.
template <class Case> std::string CaseName(const ::testing::TestParamInfo<Case>& test) {
    return test.param.name;
}

class BusTest : public ::testing::Test {
protected:
    void SetUp() override;

    // An output buffer of `outputLength` bytes; of length 0, a pointer only if asked for.
    wdfsim::IoStatus Send(ULONG code, const Bytes& input, size_t outputLength = 0,
                          bool outputPointer = false);
    wdfsim::IoStatus Send(wdfsim::HandleId handle, ULONG code, const Bytes& input,
                          size_t outputLength = 0, bool outputPointer = false);
    wdfsim::IoStatus Plug(uint32_t serial, const std::vector<std::u16string>& ids);
    wdfsim::IoStatus Unplug(uint32_t serial);
    // The instance ids of the bus's child devices after Plug and Play has enumerated.
    std::vector<std::wstring> ChildInstances(size_t bus = 0);

    wdfsim::Machine machine;
    size_t bus = 0;
    wdfsim::HandleId handle = 0;
};

// The child the driver makes of a device id and serial number, as Plug and Play sees it: the
// device id as the one hardware id, the serial as the instance id in the "%02d" form.
wdfsim::PdoIdentity PlugAndPlayIdentity(const std::wstring& deviceId, uint32_t serial);

// The records behind the framework's handles, for checks of what the driver configured.
wdfsim::Device& BusDevice(size_t bus);
const wdfsim::Device& OnlyChild(size_t bus = 0);
