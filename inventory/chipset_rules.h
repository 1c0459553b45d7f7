// The built-in chipset identification rules.
#pragma once

#include <string>

// Sets `northName` and `southName` to the empty text, then to what the rules
// give for the function's key, its companion key and its revision code.
// `furtherNumber` is the number that rules 2 and 4 test; 0 while none is known.
// Returns 0.
int identifyChipset(const std::u16string& key, const std::u16string& companionKey,
                    const std::u16string& revisionCode, std::u16string& northName,
                    std::u16string& southName, int furtherNumber = 0);
