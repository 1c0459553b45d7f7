#include "inventory/companion_key.h"

namespace {

// Every key the chipset rules compare the companion key with.
const char16_t* const companionCandidates[] = {
    u"808625A1",  // Intel 6300ESB: E7210 rather than 875P
    u"8086248C",  // Intel ICH3-M LPC: 82845MP rather than 82845D
    u"10395513",  // SiS IDE: the south bridges 961/962/963
    u"10390008",  // SiS PCI-ISA bridge: likewise
    u"10B91533",  // ALi M1533: Aladdin IV
    u"10B91543",  // ALi M1543: Aladdin IV+
};

}  // namespace

bool isCompanionCandidate(const std::u16string& key) {
    for (const char16_t* candidate : companionCandidates) {
        if (key == candidate) {
            return true;
        }
    }
    return false;
}

std::u16string findCompanionKey(const DeviceTable& table, std::int32_t count, std::int32_t index) {
    for (std::int32_t other = 0; other < count; ++other) {
        if (other == index) {
            continue;
        }
        std::u16string key = makeDeviceKey(table.slots[other]);
        if (isCompanionCandidate(key)) {
            return key;
        }
    }
    return makeDeviceKey(table.slots[index]);
}
