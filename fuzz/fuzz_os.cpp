// The few seam procedures the name-file pieces call, over a file image in
// memory: reads in chunks of a chosen size and a read that fails at a chosen
// point, Latin-1 decoding and an upper-case mapping of Latin-1 letters.
#include "fuzz/fuzz_os.h"

#include <cstring>

FuzzFile fuzzFile;

bool osReadFile(OsHandle file, void* buffer, std::uint32_t size, std::uint32_t* bytesRead) {
    *bytesRead = 0;
    if (file != fuzzFileHandle) {
        return false;
    }
    if (fuzzFile.ended) {
        ++fuzzFile.readsAfterEnd;
    }
    ++fuzzFile.reads;
    if (fuzzFile.position >= fuzzFile.failsAfter) {
        fuzzFile.ended = true;
        return false;
    }
    std::size_t wanted = size;
    if (fuzzFile.chunk != 0 && fuzzFile.reads % 2 == 1 && fuzzFile.chunk < wanted) {
        wanted = fuzzFile.chunk;  // every other read comes short
    }
    std::size_t left = fuzzFile.size - fuzzFile.position;
    std::size_t limit = fuzzFile.failsAfter - fuzzFile.position;
    std::size_t count = wanted < left ? wanted : left;
    count = count < limit ? count : limit;
    if (count > 0) {
        std::memcpy(buffer, fuzzFile.bytes + fuzzFile.position, count);
    }
    fuzzFile.position += count;
    fuzzFile.ended = count == 0;
    *bytesRead = static_cast<std::uint32_t>(count);
    return true;
}

std::u16string osDecodeAnsi(const char* bytes, std::size_t size) {
    std::u16string text(size, u'\0');
    for (std::size_t i = 0; i < size; ++i) {
        text[i] = static_cast<unsigned char>(bytes[i]);
    }
    return text;
}

void osUpperCase(std::u16string& text) {
    for (char16_t& c : text) {
        if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) {
            c = static_cast<char16_t>(c - 0x20);
        }
    }
}
