// The companion key that the chipset rules compare with: the key of another
// function of the same machine that tells two chipsets apart.
#pragma once

#include <cstdint>
#include <string>

#include "inventory/device_table.h"

// True for the keys the chipset rules look for in a companion.
bool isCompanionCandidate(const std::u16string& key);

// The key of the first other record, in table order, that is a companion
// candidate; the record's own key when there is none.
std::u16string findCompanionKey(const DeviceTable& table, std::int32_t count, std::int32_t index);
