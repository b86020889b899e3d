#include "RequestGenerator.h"

#include "DeviceIdCases.h"

#include <algorithm>

BusRequest RequestGenerator::WellFormed() {
    const uint32_t serial = 1 + Pick(serials_);
    switch (Pick(10)) {
    case 0:
        return {IOCTL_BUS_UNPLUG_CHILD, UnplugInput(16, BUS_UNPLUG_ALL_CHILDREN), 0, false};
    case 1:
    case 2:
    case 3:
        return {IOCTL_BUS_UNPLUG_CHILD, UnplugInput(16, serial), 0, Pick(4) == 0};
    default: {
        std::vector<std::u16string> ids(1 + Pick(3));
        std::generate(ids.begin(), ids.end(), [this] { return Id(); });
        return {IOCTL_BUS_PLUGIN_CHILD, PluginInput(serial, ids), 0, Pick(4) == 0};
    }
    }
}

BusRequest RequestGenerator::Random() {
    const ULONG code = Code();
    Bytes input = Input(code);
    const size_t outputLength = OutputLength(input.size());
    return {code, std::move(input), outputLength, Pick(2) == 0};
}

ULONG RequestGenerator::Code() {
    const ULONG ours = Pick(2) == 0 ? IOCTL_BUS_PLUGIN_CHILD : IOCTL_BUS_UNPLUG_CHILD;
    switch (Pick(12)) {
    case 0:
        return ours ^ (1u << Pick(32)); // one bit off, the access bits among them
    case 1:
        return CTL_CODE(FILE_DEVICE_BUS_EXTENDER, 2 + Pick(0xFFE), METHOD_BUFFERED,
                        FILE_READ_ACCESS);
    case 2:
        return (ours & ~3u) | (1 + Pick(3)); // direct I/O or neither
    case 3:
        return static_cast<ULONG>(random_());
    default:
        return ours;
    }
}

Bytes RequestGenerator::Input(ULONG code) {
    size_t length;
    const uint32_t kind = Pick(1000);
    if (kind == 0) {
        length = 4096 + Pick(70000); // pages long: ids beyond what a counted string holds
    } else if (kind < 300) {
        length = Pick(24); // around the minimums of 12 and 16 bytes
    } else {
        length = 8 + Pick(600);
    }
    Bytes bytes(length);
    // Many zero bytes, so that random hardware ids end in two NULs now and then; long
    // inputs are mostly one long string.
    const uint32_t zeroes = length > 4096 ? 5000 : 3;
    for (auto& byte : bytes) {
        byte = Pick(zeroes) == 0 ? 0 : static_cast<uint8_t>(1 + Pick(255));
    }
    if (length >= 8 && Pick(4) != 0) {
        const uint32_t size = code == IOCTL_BUS_PLUGIN_CHILD ? BUS_PLUGIN_INPUT_FIXED_SIZE
                                                             : static_cast<uint32_t>(length);
        const uint32_t serial = Pick(serials_ + 1);
        std::memcpy(&bytes[0], &size, sizeof(size));
        std::memcpy(&bytes[4], &serial, sizeof(serial));
    }
    const size_t units = length >= 8 ? (length - 8) / 2 : 0;
    if (units >= 2 && Pick(2) != 0) {
        std::fill(bytes.begin() + 8 + 2 * (units - 2), bytes.begin() + 8 + 2 * units, 0);
    }
    return bytes;
}

// Mostly no longer than the input: the system buffer then ends with the input, right before
// its guard page, and any read past the input faults. Now and then longer, for the rule
// that the information value never exceeds a non-empty output buffer.
size_t RequestGenerator::OutputLength(size_t inputLength) {
    switch (Pick(10)) {
    case 0:
        return inputLength + 1 + Pick(64);
    case 1:
    case 2:
    case 3:
        return Pick(static_cast<uint32_t>(inputLength) + 1);
    default:
        return 0;
    }
}

// A third are the boundary cases of the id rules; the rest an enumerator, a backslash and a
// rest, each of random length (now and then far too long) and characters (now and then one
// that the rules forbid).
std::u16string RequestGenerator::Id() {
    const auto& cases = testsupport::DeviceIdCases();
    if (Pick(3) == 0) {
        const std::wstring& id = cases[Pick(static_cast<uint32_t>(cases.size()))].id;
        return std::u16string(id.begin(), id.end());
    }
    const auto part = [this] {
        std::u16string text(Pick(8) == 0 ? Pick(200) : Pick(13), u'A');
        for (auto& unit : text) {
            unit = IdCharacter();
        }
        return text;
    };
    return part() + u'\\' + part();
}

char16_t RequestGenerator::IdCharacter() {
    // Space, comma, a control character, the first above 0x7F, an umlaut, half a surrogate
    // pair, and the backslash a device id holds once only.
    static const char16_t breaking[] = {u' ', u',', u'\t', 0x80, 0xC4, 0xD83D, u'\\'};
    if (Pick(60) == 0) {
        return breaking[Pick(sizeof(breaking) / sizeof(breaking[0]))];
    }
    return static_cast<char16_t>(u'!' + Pick(95)); // up to 0x7F, the last allowed
}
