// The built-in table of device types by 24-bit PCI class code.
#pragma once

#include <cstdint>
#include <string>

struct ClassRow {
    std::uint64_t classCode;
    const char16_t* deviceType;
};

// Rows in table order, followed by an end marker whose classCode has all 64
// bits set.
extern const ClassRow ClassTable[];

// The text of the first row with that code; empty when no row has it.
std::u16string lookupDeviceType(std::uint32_t classCode);
