#include "inventory/name_file_lines.h"

#include <cstdint>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

bool isLineEnd(char byte) {
    return byte == '\n' || byte == '\r' || byte == '\0';
}

#if defined(__SSE2__)

int lowestBit(unsigned mask) {
    return __builtin_ctz(mask);
}

// The offset of the first line-end byte, or `size` when there is none; 16
// bytes are compared at once.
std::size_t findLineEnd(const char* bytes, std::size_t size) {
    const __m128i lineFeed = _mm_set1_epi8('\n');
    const __m128i carriageReturn = _mm_set1_epi8('\r');
    const __m128i zero = _mm_setzero_si128();
    std::size_t offset = 0;
    for (; offset + 16 <= size; offset += 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + offset));
        __m128i ends = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(block, lineFeed), _mm_cmpeq_epi8(block, carriageReturn)),
            _mm_cmpeq_epi8(block, zero));
        unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(ends));
        if (mask != 0) {
            return offset + static_cast<std::size_t>(lowestBit(mask));
        }
    }
    for (; offset < size; ++offset) {
        if (isLineEnd(bytes[offset])) {
            return offset;
        }
    }
    return size;
}

#else

// Whether any byte of the word is below `limit` (at most 128).
bool holdsByteBelow(std::uint64_t word, std::uint64_t limit) {
    constexpr std::uint64_t ones = 0x0101010101010101u;
    constexpr std::uint64_t highBits = 0x8080808080808080u;
    return ((word - ones * limit) & ~word & highBits) != 0;
}

// The offset of the first line-end byte, or `size` when there is none. Eight
// bytes are looked at together, since LF, CR and NUL all lie below 0x0E and
// most of a line does not; TABs and other controls are sorted out byte by byte.
std::size_t findLineEnd(const char* bytes, std::size_t size) {
    std::size_t offset = 0;
    for (; offset + 8 <= size; offset += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes + offset, sizeof word);
        if (holdsByteBelow(word, 0x0E)) {
            for (std::size_t k = offset; k < offset + 8; ++k) {
                if (isLineEnd(bytes[k])) {
                    return k;
                }
            }
        }
    }
    for (; offset < size; ++offset) {
        if (isLineEnd(bytes[offset])) {
            return offset;
        }
    }
    return size;
}

#endif

// Fills the buffer with the next bytes of the file. The first read that fails
// or gives nothing ends the file for good.
bool refill(NameFileReader& reader) {
    reader.position = 0;
    reader.filled = 0;
    if (reader.ended) {
        return false;
    }
    std::uint32_t got = 0;
    if (!osReadFile(reader.file, reader.buffer.data(), nameFileBufferSize, &got) || got == 0) {
        reader.ended = true;
        return false;
    }
    reader.filled = got < nameFileBufferSize ? got : nameFileBufferSize;
    return true;
}

// Looks one byte ahead, reading when the buffer is used up; the byte stays
// unread.
bool byteAvailable(NameFileReader& reader) {
    return reader.position < reader.filled || refill(reader);
}

}  // namespace

void startNameFileReader(NameFileReader& reader, OsHandle file) {
    reader.file = file;
    reader.position = 0;
    reader.filled = 0;
    reader.ended = false;
    reader.pendingLineFeed = false;
    reader.carry.clear();
}

bool readNameFileLine(NameFileReader& reader, NameFileLine& line) {
    // A CR at the end of the buffer: its LF is looked for only now, so that
    // reading ahead cannot overwrite the previous line while it is in use.
    if (reader.pendingLineFeed) {
        reader.pendingLineFeed = false;
        if (byteAvailable(reader) && reader.buffer[reader.position] == '\n') {
            ++reader.position;
        }
    }
    if (!byteAvailable(reader)) {
        return false;
    }
    bool spansReads = false;
    reader.carry.clear();
    for (;;) {
        const char* start = reader.buffer.data() + reader.position;
        std::size_t available = reader.filled - reader.position;
        std::size_t length = findLineEnd(start, available);
        if (length < available) {
            reader.position += length + 1;
            if (start[length] == '\r') {
                if (reader.position < reader.filled) {
                    reader.position += reader.buffer[reader.position] == '\n' ? 1 : 0;
                } else {
                    reader.pendingLineFeed = true;  // it may begin the next read
                }
            }
            if (!spansReads) {
                line = {start, length};
                return true;
            }
            reader.carry.append(start, length);
            break;
        }
        reader.carry.append(start, available);
        spansReads = true;
        if (!refill(reader)) {
            break;  // the end of the file ends the line
        }
    }
    line = {reader.carry.data(), reader.carry.size()};
    return true;
}

bool nameLineMatches(const std::u16string& decodedLine, const std::u16string& upperKey) {
    std::u16string start = decodedLine.substr(0, 8);
    osUpperCase(start);
    return start == upperKey;
}

bool keyAllowsShortcut(const std::u16string& upperKey) {
    if (upperKey.size() != 8) {
        return false;
    }
    for (char16_t unit : upperKey) {
        bool digit = unit >= u'0' && unit <= u'9';
        bool letter = unit >= u'A' && unit <= u'F';
        if (!digit && !letter) {
            return false;
        }
    }
    return true;
}

// An ASCII byte decodes to itself in every ANSI code page, and the upper-case
// mapping changes no ASCII character but a to z. A non-ASCII byte among the
// first 8 starts a character that is not ASCII, and no upper-case mapping
// makes such a character a hexadecimal digit; bytes never decode to more
// characters than there are bytes.
bool lineMayMatch(const char* bytes, std::size_t size, const std::u16string& upperKey) {
    if (size < 8) {
        return false;
    }
    for (std::size_t i = 0; i < 8; ++i) {
        unsigned char byte = static_cast<unsigned char>(bytes[i]);
        if (byte >= 'a' && byte <= 'z') {
            byte = static_cast<unsigned char>(byte - ('a' - 'A'));
        }
        if (byte != upperKey[i]) {
            return false;
        }
    }
    return true;
}

bool findNameLine(NameFileReader& reader, const std::u16string& upperKey, bool shortcut,
                  std::u16string& matchedLine) {
    NameFileLine line;
    while (readNameFileLine(reader, line)) {
        if (shortcut && !lineMayMatch(line.bytes, line.size, upperKey)) {
            continue;
        }
        std::u16string decoded = osDecodeAnsi(line.bytes, line.size);
        if (nameLineMatches(decoded, upperKey)) {
            matchedLine = std::move(decoded);
            std::string().swap(reader.carry);  // a long line's bytes are not needed any more
            return true;
        }
    }
    return false;
}

void splitNameLine(const std::u16string& line, std::u16string& chip, std::u16string& name) {
    constexpr std::size_t restStart = 9;  // position 10
    if (line.size() <= restStart) {
        chip.clear();
        name.clear();
        return;
    }
    std::size_t tab = line.find(u'\t', restStart);
    if (tab == std::u16string::npos) {
        chip.clear();
        name.assign(line, restStart, std::u16string::npos);
    } else if (tab == restStart) {
        name.assign(line, tab + 1, std::u16string::npos);
        chip = name;
    } else {
        chip.assign(line, restStart, tab - restStart);
        name.assign(line, tab + 1, std::u16string::npos);
    }
}
