#include "inventory/vendor_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "inventory/text_format.h"

namespace {

const std::uint64_t endOfTable = 0xFFFFFFFFFFFFFFFF;

std::vector<VendorRow> tableRows()
{
    std::vector<VendorRow> rows;
    for (const VendorRow* row = VendorTable; row->vendorId != endOfTable; ++row) {
        rows.push_back(*row);
    }
    return rows;
}

bool isAscii(const std::u16string& text)
{
    for (char16_t c : text) {
        if (c > 0x7F) {
            return false;
        }
    }
    return true;
}

struct VendorCase {
    std::uint32_t vendorId;
    const char16_t* companyName;
};

// Rows that callers and users rely on, with their texts exactly as stored.
const VendorCase knownRows[] = {
    {0x001A, u"Ascend Communications, Inc."},
    {0x04B3, u"IBM"},
    {0x051D, u"Intel\u00AE Smart Connect Technology"},
    {0x0A5C, u"Broadcom Corporation"},
    {0x1002, u"ATI Technologies Inc."},
    {0x1022, u"Advanced Micro Devices"},
    {0x1039, u"Silicon Integrated Systems"},
    {0x108A, u"SBS  Operations"},
    {0x10B9, u"Ali Corporation"},
    {0x10DE, u"NVIDIA"},
    {0x10EC, u"Realtek Semiconductor"},
    {0x1106, u"VIA Technologies Inc."},
    {0x113A, u"FWB  Inc"},
    {0x1377, u"Electronic Equipment Production & Distribution GmbH"},
    {0x1414, u"Microsoft Corporation"},
    {0x14E4, u"Broadcom Corporation"},
    {0x15AD, u"VMware Inc."},
    {0x8086, u"Intel Corporation"},
    {0x80EE, u"Oracle Corporation - InnoTek Systemberatung GmbH"},
    {0x9004, u"Adaptec Inc"},
    {0x9005, u"Adaptec Inc"},
    {0xFFFE, u"VMWare Inc"},
};

// Every name that stands under more than one ID, with exactly those IDs.
const std::map<std::u16string, std::set<std::uint64_t>> sharedNames = {
    {u"Motorola", {0x1057, 0x11B7, 0xC0DE}},
    {u"Curtiss-Wright Controls Embedded Computing", {0x10F0, 0x1387, 0xD4D4}},
    {u"Broadcom Corporation", {0x0A5C, 0x14E4}},
    {u"Vitesse Semiconductor", {0x101B, 0x1725}},
    {u"Zenith Data Systems", {0x1024, 0x112C}},
    {u"Seiko Epson Corporation", {0x103A, 0x14EB}},
    {u"Young Micro Systems", {0x1052, 0x1053}},
    {u"DFI Inc.", {0x106E, 0x15BD}},
    {u"Samsung Electronics Co. Ltd.", {0x1099, 0x1249}},
    {u"Trigem Computer Inc.", {0x109F, 0x8800}},
    {u"3Com Corporation", {0x10B7, 0x12B9}},
    {u"Philips Semiconductors", {0x1131, 0x17BE}},
    {u"Quicklogic Corp", {0x11B0, 0x11E3}},
    {u"Hewlett Packard", {0x11C0, 0xA259}},
    {u"Silicon Magic", {0x11FC, 0x8888}},
    {u"Prisa Networks", {0x133D, 0x1359}},
    {u"Aashima Technology B.V.", {0x145E, 0xEABB}},
    {u"Baldor Electric Company", {0x145F, 0x45FB}},
    {u"Adaptec Inc", {0x9004, 0x9005}},
};

TEST(VendorTable, HoldsExactlyTheRowsInStrictlyAscendingOrderFrom001ATo0xFFFE)
{
    const std::vector<VendorRow> rows = tableRows();
    ASSERT_EQ(rows.size(), 1909u);
    EXPECT_EQ(rows.front().vendorId, 0x001Au);
    EXPECT_EQ(rows.back().vendorId, 0xFFFEu);
    for (std::size_t i = 1; i < rows.size(); ++i) {
        EXPECT_LT(rows[i - 1].vendorId, rows[i].vendorId) << "row " << i;
    }
    for (const VendorRow& row : rows) {
        EXPECT_NE(row.vendorId, 0x0000u);
        EXPECT_NE(row.vendorId, 0xFFFFu);
    }
}

TEST(VendorTable, NamesAreThreeToFiftyOneCharactersWithOnlyTheKnownOddities)
{
    std::set<std::uint64_t> nonAscii;
    std::set<std::uint64_t> doubleBlank;
    std::size_t longest = 0;
    std::uint64_t longestId = 0;
    for (const VendorRow& row : tableRows()) {
        ASSERT_NE(row.companyName, nullptr) << std::hex << row.vendorId;
        const std::u16string name = row.companyName;
        EXPECT_GE(name.size(), 3u) << std::hex << row.vendorId;
        EXPECT_LE(name.size(), 51u) << std::hex << row.vendorId;
        if (!isAscii(name)) {
            nonAscii.insert(row.vendorId);
        }
        if (name.find(u"  ") != std::u16string::npos) {
            doubleBlank.insert(row.vendorId);
        }
        if (name.size() > longest) {
            longest = name.size();
            longestId = row.vendorId;
        }
    }
    EXPECT_EQ(nonAscii, (std::set<std::uint64_t>{0x051D}));
    EXPECT_EQ(doubleBlank, (std::set<std::uint64_t>{0x108A, 0x113A}));
    EXPECT_EQ(longest, 51u);
    EXPECT_EQ(longestId, 0x1377u);
}

TEST(VendorTable, SharedNamesStandUnderExactlyTheirIds)
{
    std::map<std::u16string, std::set<std::uint64_t>> idsByName;
    for (const VendorRow& row : tableRows()) {
        idsByName[row.companyName].insert(row.vendorId);
    }
    std::map<std::u16string, std::set<std::uint64_t>> shared;
    for (const auto& [name, ids] : idsByName) {
        if (ids.size() > 1) {
            shared[name] = ids;
        }
    }
    EXPECT_EQ(shared.size(), 19u);
    EXPECT_EQ(shared, sharedNames);
}

TEST(VendorTable, KnownRowsKeepTheirExactTexts)
{
    std::map<std::uint64_t, std::u16string> stored;
    for (const VendorRow& row : tableRows()) {
        stored[row.vendorId] = row.companyName;
    }
    for (const VendorCase& known : knownRows) {
        ASSERT_EQ(stored.count(known.vendorId), 1u) << std::hex << known.vendorId;
        EXPECT_EQ(stored[known.vendorId], known.companyName) << std::hex << known.vendorId;
    }
}

TEST(VendorLookup, GivesTheRowsNameOrNotAvailable)
{
    const VendorCase cases[] = {
        {0x001A, u"Ascend Communications, Inc."},       // first row
        {0xFFFE, u"VMWare Inc"},                        // last row
        {0x15AD, u"VMware Inc."},                       // not the same text as 0xFFFE
        {0x9004, u"Adaptec Inc"},
        {0x9005, u"Adaptec Inc"},
        {0x051D, u"Intel\u00AE Smart Connect Technology"},
        {0x108A, u"SBS  Operations"},
        {0x001B, notAvailable.c_str()},                 // between two rows
        {0x0000, notAvailable.c_str()},                 // no subsystem vendor
        {0xFFFF, notAvailable.c_str()},                 // failed read
        {0x0019, notAvailable.c_str()},                 // below the first row
        {0x18086, notAvailable.c_str()},                // the whole value is compared
    };
    for (const VendorCase& c : cases) {
        EXPECT_EQ(lookupCompanyName(c.vendorId), c.companyName) << std::hex << c.vendorId;
    }
}

TEST(VendorLookup, FindsEveryRowByItsId)
{
    for (const VendorRow& row : tableRows()) {
        EXPECT_EQ(lookupCompanyName(static_cast<std::uint32_t>(row.vendorId)), row.companyName)
            << std::hex << row.vendorId;
    }
}

TEST(VendorLookup, NotAvailableIsTheSystemsText)
{
    EXPECT_EQ(lookupCompanyName(0x0000), u"Not available");
}

}  // namespace
