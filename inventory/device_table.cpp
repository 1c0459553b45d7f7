#include "inventory/device_table.h"

#include <new>
#include <utility>

#include "hw/os.h"

DeviceTable deviceTable;

namespace {

// A block of `slots` empty records, or null when the memory cannot be had.
DeviceRecord* allocateSlots(std::int32_t slots) {
    void* block = osAllocate(sizeof(DeviceRecord) * static_cast<std::size_t>(slots));
    if (block == nullptr) {
        return nullptr;
    }
    DeviceRecord* records = static_cast<DeviceRecord*>(block);
    for (std::int32_t i = 0; i < slots; ++i) {
        new (&records[i]) DeviceRecord();
    }
    return records;
}

void freeSlots(DeviceRecord* records, std::int32_t slots) {
    if (records == nullptr) {
        return;
    }
    for (std::int32_t i = 0; i < slots; ++i) {
        records[i].~DeviceRecord();
    }
    osFree(records);
}

}  // namespace

bool makeDeviceTable(DeviceTable& table, std::int32_t slots) {
    releaseDeviceTable(table);
    DeviceRecord* records = allocateSlots(slots);
    if (records == nullptr) {
        return false;
    }
    table.slots = records;
    table.slotCount = slots;
    return true;
}

bool resizeDeviceTable(DeviceTable& table, std::int32_t slots) {
    if (slots == table.slotCount) {
        return true;
    }
    DeviceRecord* records = allocateSlots(slots);
    if (records == nullptr) {
        return false;
    }
    std::int32_t kept = slots < table.slotCount ? slots : table.slotCount;
    for (std::int32_t i = 0; i < kept; ++i) {
        records[i] = std::move(table.slots[i]);
    }
    freeSlots(table.slots, table.slotCount);
    table.slots = records;
    table.slotCount = slots;
    if (table.count > slots) {
        table.count = slots;
    }
    return true;
}

void releaseDeviceTable(DeviceTable& table) {
    freeSlots(table.slots, table.slotCount);
    table = DeviceTable();
}
