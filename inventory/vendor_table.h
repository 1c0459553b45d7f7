// The built-in table of company names by PCI vendor ID.
#pragma once

#include <cstdint>
#include <string>

struct VendorRow {
    std::uint64_t vendorId;
    const char16_t* companyName;
};

// Rows in strictly ascending ID order, followed by an end marker whose
// vendorId has all 64 bits set.
extern const VendorRow VendorTable[];

// The name of the first row with that ID, or "Not available".
std::u16string lookupCompanyName(std::uint32_t vendorId);
