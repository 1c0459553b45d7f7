#include "inventory/vendor_table.h"

#include "inventory/text_format.h"

namespace {
const std::uint64_t endOfTable = 0xFFFFFFFFFFFFFFFF;
}

std::u16string lookupCompanyName(std::uint32_t vendorId)
{
    // The table is sorted, but the search runs to the first equal ID from the
    // top so that the first row always wins.
    for (const VendorRow* row = VendorTable; row->vendorId != endOfTable; ++row) {
        if (row->vendorId == vendorId) {
            return row->companyName;
        }
    }
    return notAvailable;
}
