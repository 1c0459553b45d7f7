// The text forms of numbers used throughout the program.
#pragma once

#include <cstdint>
#include <string>

// Uppercase hexadecimal digits without leading zeros ("0" for zero), filled
// on the left with "0" up to `width` characters.
std::u16string formatHex(std::uint32_t value, int width);

// Plain decimal digits: no leading zeros, signs or separators.
std::u16string formatDecimal(std::uint32_t value);

// The text "Not available", wherever a name cannot be found.
extern const std::u16string notAvailable;

// A UTF-16 text from ASCII or UTF-8 source text.
std::u16string fromUtf8(const std::string& text);
// UTF-8 form of a UTF-16 text (for printing on the simulated machine and in tests).
std::string toUtf8(const std::u16string& text);
