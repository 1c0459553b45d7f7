// The program-wide, growable array of device records. One empty slot always
// follows the last record; slots are never removed or reordered.
#pragma once

#include <cstdint>

#include "inventory/device_record.h"

struct DeviceTable {
    DeviceRecord* slots = nullptr;
    std::int32_t slotCount = 0;
    std::int32_t count = 0;  // filled records, slots 0 to count - 1
};

extern DeviceTable deviceTable;

// Makes the table with `slots` empty slots, dropping what it held.
// False when the memory cannot be had (the table is then empty).
bool makeDeviceTable(DeviceTable& table, std::int32_t slots);

// Resizes to `slots` slots, keeping the records; added slots are empty and a
// resize to the present size changes nothing. False when the memory cannot
// be had; the table is then unchanged.
bool resizeDeviceTable(DeviceTable& table, std::int32_t slots);

void releaseDeviceTable(DeviceTable& table);
