#include "BusTest.h"

#include <cwchar>

Bytes PluginInput(uint32_t size, uint32_t serial, const std::u16string& units) {
    Bytes bytes(8 + units.size() * 2);
    std::memcpy(&bytes[0], &size, 4);
    std::memcpy(&bytes[4], &serial, 4);
    std::memcpy(&bytes[8], units.data(), units.size() * 2);
    return bytes;
}

Bytes PluginInput(uint32_t serial, const std::vector<std::u16string>& ids) {
    std::u16string units;
    for (const auto& id : ids) {
        units += id;
        units += u'\0';
    }
    units += u'\0';
    return PluginInput(BUS_PLUGIN_INPUT_FIXED_SIZE, serial, units);
}

Bytes UnplugInput(uint32_t size, uint32_t serial, size_t length) {
    Bytes bytes(length, 0x5A);
    std::memcpy(&bytes[0], &size, 4);
    std::memcpy(&bytes[4], &serial, 4);
    return bytes;
}

void BusTest::SetUp() {
    ASSERT_EQ(STATUS_SUCCESS, machine.LoadDriver());
    ASSERT_EQ(STATUS_SUCCESS, machine.AddBus(&bus, InstalledBusProperties()));
    ASSERT_EQ(STATUS_SUCCESS, machine.Open(bus, wdfsim::FileReadData, &handle));
}

wdfsim::IoStatus BusTest::Send(ULONG code, const Bytes& input, size_t outputLength,
                               bool outputPointer) {
    return Send(handle, code, input, outputLength, outputPointer);
}

wdfsim::IoStatus BusTest::Send(wdfsim::HandleId target, ULONG code, const Bytes& input,
                               size_t outputLength, bool outputPointer) {
    Bytes output(outputLength + 1);
    return machine.DeviceControl(target, code, input.data(), input.size(),
                                 outputLength != 0 || outputPointer ? output.data() : nullptr,
                                 outputLength);
}

wdfsim::IoStatus BusTest::Plug(uint32_t serial, const std::vector<std::u16string>& ids) {
    return Send(IOCTL_BUS_PLUGIN_CHILD, PluginInput(serial, ids));
}

wdfsim::IoStatus BusTest::Unplug(uint32_t serial) {
    return Send(IOCTL_BUS_UNPLUG_CHILD, UnplugInput(sizeof(BUS_UNPLUG_INPUT), serial));
}

std::vector<std::wstring> BusTest::ChildInstances(size_t onBus) {
    machine.RunPnp();
    std::vector<std::wstring> instances;
    for (const auto& child : machine.Children(onBus)) {
        instances.push_back(child.instanceId);
    }
    return instances;
}

wdfsim::PdoIdentity PlugAndPlayIdentity(const std::wstring& deviceId, uint32_t serial) {
    wchar_t instance[16];
    std::swprintf(instance, 16, L"%02d", static_cast<int32_t>(serial));
    wdfsim::PdoIdentity identity;
    identity.deviceId = deviceId;
    identity.hardwareIds = {deviceId};
    identity.instanceId = instance;
    return identity;
}

wdfsim::Device& BusDevice(size_t bus) {
    return *wdfsim::Current().buses.at(bus);
}

const wdfsim::Device& OnlyChild(size_t bus) {
    const auto& entries = BusDevice(bus).childList->entries;
    EXPECT_EQ(1u, entries.size());
    return *entries.front().pdo;
}
