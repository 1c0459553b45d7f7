// An in-memory file behind the seam procedures that the name-file pieces use.
#pragma once

#include <cstddef>
#include <cstdint>

#include "hw/os.h"

constexpr OsHandle fuzzFileHandle = 0x100;

struct FuzzFile {
    const char* bytes = nullptr;
    std::size_t size = 0;
    std::size_t position = 0;
    std::size_t chunk = 0;          // when not 0, every other read gives at most this many bytes
    std::size_t failsAfter = SIZE_MAX;  // a read fails once this many bytes were given
    bool ended = false;             // a read failed or gave nothing
    int reads = 0;
    int readsAfterEnd = 0;
};

extern FuzzFile fuzzFile;
