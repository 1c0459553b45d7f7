#include "inventory/text_format.h"

const std::u16string notAvailable = u"Not available";

std::u16string formatHex(std::uint32_t value, int width) {
    static const char16_t digits[] = u"0123456789ABCDEF";
    std::u16string text;
    do {
        text.insert(text.begin(), digits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    if (static_cast<int>(text.size()) < width) {
        text.insert(0, static_cast<std::size_t>(width) - text.size(), u'0');
    }
    return text;
}

std::u16string formatDecimal(std::uint32_t value) {
    std::u16string text;
    do {
        text.insert(text.begin(), static_cast<char16_t>(u'0' + value % 10));
        value /= 10;
    } while (value != 0);
    return text;
}

std::u16string fromUtf8(const std::string& text) {
    std::u16string result;
    std::size_t i = 0;
    while (i < text.size()) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        std::uint32_t point = 0xFFFD;
        std::size_t length = 1;
        if (lead < 0x80) {
            point = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            point = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            point = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            point = lead & 0x07;
        }
        if (length > 1) {
            if (i + length > text.size()) {
                point = 0xFFFD;
                length = text.size() - i;
            } else {
                for (std::size_t k = 1; k < length; ++k) {
                    unsigned char next = static_cast<unsigned char>(text[i + k]);
                    if ((next & 0xC0) != 0x80) {
                        point = 0xFFFD;
                        length = k;
                        break;
                    }
                    point = point << 6 | (next & 0x3F);
                }
            }
        }
        i += length;
        if (point >= 0x10000) {
            point -= 0x10000;
            result.push_back(static_cast<char16_t>(0xD800 + (point >> 10)));
            result.push_back(static_cast<char16_t>(0xDC00 + (point & 0x3FF)));
        } else {
            result.push_back(static_cast<char16_t>(point));
        }
    }
    return result;
}

std::string toUtf8(const std::u16string& text) {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t point = text[i];
        if (point >= 0xD800 && point < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            point = 0x10000 + ((point - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (point >= 0xD800 && point < 0xE000) {
            point = 0xFFFD;  // a lone surrogate
        }
        if (point < 0x80) {
            result.push_back(static_cast<char>(point));
        } else if (point < 0x800) {
            result.push_back(static_cast<char>(0xC0 | point >> 6));
            result.push_back(static_cast<char>(0x80 | (point & 0x3F)));
        } else if (point < 0x10000) {
            result.push_back(static_cast<char>(0xE0 | point >> 12));
            result.push_back(static_cast<char>(0x80 | (point >> 6 & 0x3F)));
            result.push_back(static_cast<char>(0x80 | (point & 0x3F)));
        } else {
            result.push_back(static_cast<char>(0xF0 | point >> 18));
            result.push_back(static_cast<char>(0x80 | (point >> 12 & 0x3F)));
            result.push_back(static_cast<char>(0x80 | (point >> 6 & 0x3F)));
            result.push_back(static_cast<char>(0x80 | (point & 0x3F)));
        }
    }
    return result;
}
