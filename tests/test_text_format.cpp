#include <gtest/gtest.h>

#include "inventory/text_format.h"

namespace {

TEST(TextFormat, HexAndDecimal) {
    struct HexCase {
        std::uint32_t value;
        int width;
        const char16_t* text;
    };
    for (HexCase c : {HexCase{0, 2, u"00"}, HexCase{0, 0, u"0"}, HexCase{3, 2, u"03"},
                      HexCase{0x10DE, 4, u"10DE"}, HexCase{0xabc, 4, u"0ABC"},
                      HexCase{0x030000, 6, u"030000"}, HexCase{0x80, 2, u"80"},
                      HexCase{0xFFFFFFFF, 4, u"FFFFFFFF"}, HexCase{0x12345, 2, u"12345"}}) {
        EXPECT_EQ(formatHex(c.value, c.width), c.text) << c.value;
    }
    EXPECT_EQ(formatDecimal(0), u"0");
    EXPECT_EQ(formatDecimal(7), u"7");
    EXPECT_EQ(formatDecimal(255), u"255");
    EXPECT_EQ(formatDecimal(4294967295u), u"4294967295");
}

TEST(TextFormat, Utf8RoundTrip) {
    const std::u16string text = u"Intel\u00AE \u20AC \U0001F600 x";
    EXPECT_EQ(fromUtf8(toUtf8(text)), text);
    EXPECT_EQ(toUtf8(u"\u00AE"), "\xC2\xAE");
    EXPECT_EQ(fromUtf8("\xC2"), u"\uFFFD");        // cut short
    EXPECT_EQ(toUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");  // lone surrogate
}

}  // namespace
