#include "inventory/pci_scan.h"

#include "hw/driver_access.h"
#include "inventory/chipset_rules.h"
#include "inventory/class_table.h"
#include "inventory/companion_key.h"
#include "inventory/device_name_file.h"
#include "inventory/device_table.h"
#include "inventory/text_format.h"
#include "inventory/vendor_table.h"

ProbeBounds probeBounds;

namespace {

constexpr std::uint32_t vendorOffset = 0x00;
constexpr std::uint32_t classOffset = 0x08;
constexpr std::uint32_t cacheLineOffset = 0x0C;
constexpr std::uint32_t latencyOffset = 0x0D;
constexpr std::uint32_t headerTypeOffset = 0x0E;
constexpr std::uint32_t subsystemOffset = 0x2C;
constexpr std::uint32_t interruptLineOffset = 0x3C;
constexpr std::uint8_t multiFunctionBit = 0x80;

bool isPresent(std::uint32_t vendorId) {
    return vendorId != 0xFFFF && vendorId != 0x0000;
}

// Everything of the record that comes from configuration space and the two
// built-in tables, in the fixed order of driver requests.
void fillRecord(DeviceRecord& record, std::uint32_t bus, std::uint32_t device,
                std::uint32_t function, std::uint32_t address, std::uint32_t idDword) {
    std::uint32_t vendorId = idDword & 0xFFFF;
    record.busNumber = formatDecimal(bus);
    record.deviceNumber = formatDecimal(device);
    record.functionNumber = formatDecimal(function);
    record.companyCode = formatHex(vendorId, 4);
    record.companyName = lookupCompanyName(vendorId);
    record.deviceCode = formatHex(idDword >> 16, 4);

    std::uint32_t classDword = readConfigDword(address, classOffset);
    std::uint32_t classCode = classDword >> 8;
    record.classCode = formatHex(classCode, 6);
    record.deviceType = lookupDeviceType(classCode);
    if (record.deviceType.empty()) {
        record.deviceType = notAvailable;
    }
    record.revisionCode = formatHex(classDword & 0xFF, 2);

    std::uint32_t subsystemDword = readConfigDword(address, subsystemOffset);
    record.subsystemCompanyCode = formatHex(subsystemDword & 0xFFFF, 4);
    record.subsystemCompanyName = lookupCompanyName(subsystemDword & 0xFFFF);
    record.subsystemDeviceCode = formatHex(subsystemDword >> 16, 4);

    record.irqCode = formatDecimal(readConfigByte(address, interruptLineOffset));
    record.cacheLine = formatHex(readConfigByte(address, cacheLineOffset), 2);
    record.latency = formatHex(readConfigByte(address, latencyOffset), 2);
    record.header = formatHex(readConfigByte(address, headerTypeOffset), 2);
}

// Device and chip names, once every function is known: the chipset rules
// look at other functions of the machine through the companion key.
void nameRecord(std::int32_t index, std::int32_t count) {
    DeviceRecord& record = deviceTable.slots[index];
    std::u16string key = makeDeviceKey(record);
    std::u16string chip;
    std::u16string name;
    lookupDeviceName(key, chip, name);

    std::u16string northName;
    std::u16string southName;
    identifyChipset(key, findCompanionKey(deviceTable, count, index), record.revisionCode,
                    northName, southName);
    if (!northName.empty()) {
        chip = northName;
    }
    if (!southName.empty()) {
        chip = southName;
    }
    record.deviceName = name + u"  ( Chip : " + chip + u" )";
}

// Probes every address; false when the table could not grow, which ends the
// scan with the records completed so far.
bool probeAll(std::int32_t& count) {
    for (std::uint32_t bus = 0; bus < probeBounds.buses; ++bus) {
        for (std::uint32_t device = 0; device < probeBounds.devicesPerBus; ++device) {
            for (std::uint32_t function = 0; function < probeBounds.functionsPerDevice;
                 ++function) {
                std::uint32_t address = makeConfigAddress(bus, device, function);
                std::uint32_t idDword = readConfigDword(address, vendorOffset);
                if (isPresent(idDword & 0xFFFF)) {
                    fillRecord(deviceTable.slots[count], bus, device, function, address,
                               idDword);
                    ++count;
                    deviceTable.count = count;
                    if (!resizeDeviceTable(deviceTable, count + 1)) {
                        return false;
                    }
                }
                std::uint8_t headerType = readConfigByte(address, headerTypeOffset);
                if (function == 0 && (headerType & multiFunctionBit) == 0) {
                    break;  // a single-function device
                }
            }
        }
    }
    return true;
}

}  // namespace

std::int32_t scanPciBus() {
    std::int32_t count = 0;
    deviceTable.count = 0;
    if (deviceTable.slots != nullptr) {
        probeAll(count);
    }
    for (std::int32_t index = 0; index < count; ++index) {
        nameRecord(index, count);
    }
    return count;
}
