// Device and chip names from the optional file "pcinames.txt" beside the program.
#pragma once

#include <string>

// Finds the first line of the name file that begins with `key` (compared in
// upper case) and splits it into `chip` and `name`. Both are overwritten on
// every call. Returns 0 when a line matched, 1 when the file did not open,
// 2 when no line matched; for 1 and 2 both texts are "Not available".
int lookupDeviceName(const std::u16string& key, std::u16string& chip, std::u16string& name);
