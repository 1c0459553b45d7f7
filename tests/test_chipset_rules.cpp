#include "inventory/chipset_rules.h"

#include <gtest/gtest.h>

#include <string>

#include "inventory/text_format.h"

namespace {

struct ChipsetCase {
    const char16_t* key;
    const char16_t* companionKey;
    const char16_t* revisionCode;
    int furtherNumber;
    const char16_t* northName;
    const char16_t* southName;
};

struct Names {
    std::u16string north;
    std::u16string south;
};

Names identify(const std::u16string& key, const std::u16string& companionKey,
               const std::u16string& revisionCode, int furtherNumber = 0)
{
    // Start from leftovers: every call must empty both outputs itself.
    Names names{u"left over", u"left over"};
    EXPECT_EQ(identifyChipset(key, companionKey, revisionCode, names.north, names.south,
                              furtherNumber),
              0);
    return names;
}

void expectCase(const ChipsetCase& c)
{
    const Names names = identify(c.key, c.companionKey, c.revisionCode, c.furtherNumber);
    EXPECT_EQ(names.north, c.northName) << toUtf8(c.key) << " / " << toUtf8(c.companionKey)
                                        << " / " << toUtf8(c.revisionCode) << " / "
                                        << c.furtherNumber;
    EXPECT_EQ(names.south, c.southName) << toUtf8(c.key) << " / " << toUtf8(c.companionKey)
                                        << " / " << toUtf8(c.revisionCode) << " / "
                                        << c.furtherNumber;
}

TEST(ChipsetRules, EachRuleAndItsNeighbours)
{
    const ChipsetCase cases[] = {
        // key         companion    rev   further  north                          south
        {u"12345678", u"12345678", u"00", 0, u"", u""},
        // 1: the companion splits one key into two names.
        {u"80862578", u"808625A1", u"00", 0, u"Intel E7210", u""},
        {u"80862578", u"80862578", u"00", 0, u"Intel 875P", u""},
        {u"80862578", u"", u"00", 0, u"Intel 875P", u""},
        {u"80862578", u"808625a1", u"00", 0, u"Intel 875P", u""},
        {u"80862579", u"808625A1", u"00", 0, u"", u""},
        // 2: only with the further number 6.
        {u"11060314", u"11060314", u"00", 6, u"CN700", u""},
        {u"11060314", u"11060314", u"06", 0, u"", u""},
        {u"11060314", u"11060314", u"00", 15, u"", u""},
        {u"11060315", u"11060314", u"00", 6, u"", u""},
        // 3: companion and revision number.
        {u"80861A30", u"8086248C", u"04", 0, u"82845MP", u""},
        {u"80861A30", u"80861A30", u"04", 0, u"82845D", u""},
        {u"80861A30", u"8086248C", u"03", 0, u"", u""},
        {u"80861A30", u"80861A30", u"11", 0, u"", u""},
        // 4: the further number 15 names the GML, anything else the GM.
        {u"80863580", u"80863580", u"00", 15, u"Intel 852GM (Montara-GML)", u""},
        {u"80863580", u"80863580", u"00", 0, u"Intel 855GM (Montara-GM)", u""},
        {u"80863580", u"80863580", u"15", 6, u"Intel 855GM (Montara-GM)", u""},
        {u"80863581", u"80863580", u"00", 15, u"", u""},
        // 5 and 6: a range of device IDs each.
        {u"808684C5", u"808684C5", u"00", 0, u"450KX/GX/NX (Mars/Orion/?)", u""},
        {u"808684E5", u"808684E5", u"00", 0, u"460GX", u""},
        {u"808684C", u"808684C", u"00", 0, u"450KX/GX/NX (Mars/Orion/?)", u""},
        {u"808684", u"808684", u"00", 0, u"", u""},
        {u"808684c5", u"808684c5", u"00", 0, u"", u""},
        // 8 to 14: no companion needed.
        {u"10390745", u"10390745", u"00", 0, u"", u"SiS 745"},
        {u"10390745", u"10395513", u"00", 0, u"", u"SiS 745"},
        {u"10390735", u"10390735", u"00", 0, u"", u"SiS 735"},
        {u"10390733", u"10390733", u"00", 0, u"", u"SiS 733"},
        {u"10390730", u"10390730", u"00", 0, u"", u"SiS 730"},
        {u"10390630", u"10390630", u"00", 0, u"", u"SiS 630"},
        {u"10390633", u"10390633", u"00", 0, u"", u"SiS 633"},
        {u"10390635", u"10390635", u"00", 0, u"", u"SiS 635"},
        {u"10390636", u"10390636", u"00", 0, u"", u""},
        // 15 and 16: only with one of their two companions.
        {u"10B91531", u"10B91533", u"00", 0, u"Aladdin IV", u""},
        {u"10B91531", u"10B91543", u"00", 0, u"Aladdin IV+", u""},
        {u"10B91531", u"10B91531", u"00", 0, u"", u""},
        {u"10b91531", u"10B91533", u"00", 0, u"", u""},
        {u"10B91531", u"10b91533", u"00", 0, u"", u""},
        // 17 and 18: the revision code itself.
        {u"11063189", u"11063189", u"00", 0, u"VT8377  ( KT400 )", u""},
        {u"11063189", u"11063189", u"80", 0, u"VT8377  ( KT400A )", u""},
        {u"11063189", u"11063189", u"01", 0, u"", u""},
        {u"11063189", u"11063189", u"81", 0, u"", u""},
        {u"11063189", u"11063189", u"0", 0, u"", u""},
        {u"11063189", u"11063189", u"800", 0, u"", u""},
        {u"11063189", u"11063189", u"", 0, u"", u""},
    };
    for (const ChipsetCase& c : cases) {
        expectCase(c);
    }
}

TEST(ChipsetRules, SisSouthBridgesNeedTheirCompanion)
{
    const ChipsetCase gated[] = {
        {u"10390658", u"", u"00", 0, u"", u"SiS 963"},
        {u"10390655", u"", u"00", 0, u"", u"SiS 963"},
        {u"10390651", u"", u"00", 0, u"", u"SiS 961/962"},
        {u"10390650", u"", u"00", 0, u"", u"SiS 961/962"},
        {u"10390648", u"", u"00", 0, u"", u"SiS 963"},
        {u"10390646", u"", u"00", 0, u"", u"SiS 961/962"},
        {u"10390645", u"", u"00", 0, u"", u"SiS 961"},
        {u"10390755", u"", u"00", 0, u"", u"SiS 963"},
        {u"10390746", u"", u"00", 0, u"", u"SiS 963"},
        {u"10390740", u"", u"00", 0, u"", u"SiS 961"},
    };
    const char16_t* openingCompanions[] = {u"10395513", u"10390008"};
    const char16_t* otherCompanions[] = {u"", u"10395514", u"10390009", u"10390008 ",
                                         u"1039551", u"10390658"};
    for (ChipsetCase c : gated) {
        for (const char16_t* companion : openingCompanions) {
            c.companionKey = companion;
            expectCase(c);
        }
        c.southName = u"";
        for (const char16_t* companion : otherCompanions) {
            c.companionKey = companion;
            expectCase(c);
        }
        c.companionKey = c.key;  // the function's own key
        expectCase(c);
    }
    // The companion opens the gate only for the gated keys.
    expectCase({u"10390659", u"10395513", u"00", 0, u"", u""});
    expectCase({u"80862578", u"10395513", u"00", 0, u"Intel 875P", u""});
}

TEST(ChipsetRules, SevenCharacterPrefixRulesCoverTheirSixteenKeys)
{
    const std::u16string digits = u"0123456789ABCDEF";
    for (char16_t last : digits) {
        const std::u16string c0 = std::u16string(u"808684C") + last;
        const std::u16string e0 = std::u16string(u"808684E") + last;
        const std::u16string d0 = std::u16string(u"808684D") + last;
        const std::u16string b0 = std::u16string(u"808684B") + last;
        EXPECT_EQ(identify(c0, c0, u"00").north, u"450KX/GX/NX (Mars/Orion/?)") << toUtf8(c0);
        EXPECT_EQ(identify(e0, e0, u"00").north, u"460GX") << toUtf8(e0);
        EXPECT_EQ(identify(d0, d0, u"00").north, u"") << toUtf8(d0);
        EXPECT_EQ(identify(b0, b0, u"00").north, u"") << toUtf8(b0);
        EXPECT_EQ(identify(c0, c0, u"00").south, u"") << toUtf8(c0);
    }
    // Only the first seven characters count, whatever follows them.
    EXPECT_EQ(identify(u"808684CFXYZ", u"", u"00").north, u"450KX/GX/NX (Mars/Orion/?)");
    EXPECT_EQ(identify(u"808684e0", u"", u"00").north, u"");
}

TEST(ChipsetRules, RevisionNumberReadsTheLeadingDecimalDigits)
{
    const std::u16string hex = u"0123456789ABCDEF";
    for (char16_t high : hex) {
        for (char16_t low : hex) {
            const std::u16string code{high, low};
            int number = 0;  // the leading decimal digits in base 10
            if (high <= u'9') {
                number = high - u'0';
                if (low <= u'9') {
                    number = number * 10 + (low - u'0');
                }
            }
            const bool named = number >= 4 && number <= 10;
            const Names withCompanion = identify(u"80861A30", u"8086248C", code);
            const Names alone = identify(u"80861A30", u"80861A30", code);
            EXPECT_EQ(withCompanion.north, named ? u"82845MP" : u"") << toUtf8(code);
            EXPECT_EQ(alone.north, named ? u"82845D" : u"") << toUtf8(code);
            EXPECT_EQ(alone.south, u"") << toUtf8(code);
        }
    }
    // Spot checks of the reading itself.
    const ChipsetCase cases[] = {
        {u"80861A30", u"", u"04", 0, u"82845D", u""},   // 4
        {u"80861A30", u"", u"0A", 0, u"", u""},         // 0, not 10
        {u"80861A30", u"", u"10", 0, u"82845D", u""},   // 10, not 16
        {u"80861A30", u"", u"4C", 0, u"82845D", u""},   // 4
        {u"80861A30", u"", u"A5", 0, u"", u""},         // 0
        {u"80861A30", u"", u"9", 0, u"82845D", u""},    // one digit
        {u"80861A30", u"", u"", 0, u"", u""},           // nothing reads as 0
        {u"80861A30", u"", u"0000000000000000000007", 0, u"82845D", u""},
        {u"80861A30", u"", u"99999999999999999999", 0, u"", u""},  // no overflow
    };
    for (const ChipsetCase& c : cases) {
        expectCase(c);
    }
}

TEST(ChipsetRules, BothOutputsAreEmptiedAtEveryCall)
{
    std::u16string north;
    std::u16string south;
    identifyChipset(u"10390745", u"", u"00", north, south);
    EXPECT_EQ(south, u"SiS 745");
    identifyChipset(u"80862578", u"", u"00", north, south);
    EXPECT_EQ(north, u"Intel 875P");
    EXPECT_EQ(south, u"");
    identifyChipset(u"12345678", u"", u"00", north, south);
    EXPECT_EQ(north, u"");
    EXPECT_EQ(south, u"");
}

TEST(ChipsetRules, InputsSurviveBeingPassedAsOutputs)
{
    std::u16string keyAndNorth = u"80862578";
    std::u16string south;
    identifyChipset(keyAndNorth, keyAndNorth, u"00", keyAndNorth, south);
    EXPECT_EQ(keyAndNorth, u"Intel 875P");

    std::u16string revisionAndNorth = u"80";
    identifyChipset(u"11063189", u"", revisionAndNorth, revisionAndNorth, south);
    EXPECT_EQ(revisionAndNorth, u"VT8377  ( KT400A )");
}

}  // namespace
