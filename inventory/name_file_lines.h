// The pieces of the device name lookup: the line reader over the file's read
// buffer, the key comparison with its shortcut, and the split of a matched
// line into chip and name. Kept apart from the lookup so that tests and the
// fuzzer can drive each piece on its own.
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "hw/os.h"

constexpr std::size_t nameFileBufferSize = 4096;

// Reads one open file line by line, through a buffer of nameFileBufferSize
// bytes filled by osReadFile. A failed read counts as the end of the file.
struct NameFileReader {
    OsHandle file = osInvalidHandle;
    std::array<char, nameFileBufferSize> buffer;
    std::size_t position = 0;  // next unread byte of the buffer
    std::size_t filled = 0;    // bytes the last read put into the buffer
    bool ended = false;        // no further byte can be read
    // A line ended at CR as the buffer ended: an LF next belongs to its end.
    bool pendingLineFeed = false;
    std::string carry;         // the bytes of a line that spans reads
};

// One line's bytes without its line end. They lie in the reader's buffer or
// carry and stay valid until the next read of a line.
struct NameFileLine {
    const char* bytes = nullptr;
    std::size_t size = 0;
};

void startNameFileReader(NameFileReader& reader, OsHandle file);

// The next line: it ends at LF, at CR (with a directly following LF), at NUL
// or at the end of the file. False when the file has no further byte, so a
// file that ends with a line end gives no extra empty line.
bool readNameFileLine(NameFileReader& reader, NameFileLine& line);

// The first 8 characters of a decoded line (the whole line if shorter), in
// upper case, equal the uppercased key.
bool nameLineMatches(const std::u16string& decodedLine, const std::u16string& upperKey);

// True when the uppercased key is 8 ASCII hexadecimal digits, the only keys
// for which lineMayMatch gives the same answer as decoding.
bool keyAllowsShortcut(const std::u16string& upperKey);

// False only when the line's bytes cannot decode to a line that matches the
// key, in any ANSI code page: the line has fewer than 8 bytes, or its first 8
// bytes are not the key's ASCII digits and letters (in either case). Only for
// a key that keyAllowsShortcut accepts.
bool lineMayMatch(const char* bytes, std::size_t size, const std::u16string& upperKey);

// Reads lines until one matches the uppercased key and gives that line
// decoded. With `shortcut`, lines that lineMayMatch rules out are not
// decoded. False when the file ended without a match.
bool findNameLine(NameFileReader& reader, const std::u16string& upperKey, bool shortcut,
                  std::u16string& matchedLine);

// Splits a matched line at the first TAB from position 10 on: a TAB at
// position 10 gives chip and name both the text after it; a TAB further on
// gives the chip before it and the name after it; without such a TAB the
// chip is empty and the name is everything from position 10 on.
void splitNameLine(const std::u16string& line, std::u16string& chip, std::u16string& name);
