// libFuzzer target over the name-file line reader, key comparison and split.
//
// Input: 4 control bytes, then the file image.
//   byte 0: when not 0, every other read gives at most this many bytes
//   bytes 1-2: a read fails once this many bytes were read (0xFFFF: never)
//   byte 3: which key is looked for
// The reader must give the lines a plain byte-by-byte reading gives, never
// read again after the end, split every line consistently, and find the same
// line with and without the decoding shortcut.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/fuzz_os.h"
#include "inventory/name_file_lines.h"

namespace {

#define CHECK(condition)                                                      \
    do {                                                                      \
        if (!(condition)) {                                                   \
            std::fprintf(stderr, "check failed at line %d: %s\n", __LINE__,   \
                         #condition);                                         \
            std::abort();                                                     \
        }                                                                     \
    } while (0)

bool isLineEnd(char byte) {
    return byte == '\n' || byte == '\r' || byte == '\0';
}

// The lines of the bytes that can be read, one byte at a time.
std::vector<std::string> referenceLines(const char* bytes, std::size_t size) {
    std::vector<std::string> lines;
    std::size_t i = 0;
    while (i < size) {
        std::string line;
        while (i < size && !isLineEnd(bytes[i])) {
            line += bytes[i++];
        }
        if (i < size) {
            char ending = bytes[i++];
            if (ending == '\r' && i < size && bytes[i] == '\n') {
                ++i;
            }
        }
        lines.push_back(line);
    }
    return lines;
}

void rewind(const char* bytes, std::size_t size, std::size_t chunk, std::size_t failsAfter) {
    fuzzFile = FuzzFile();
    fuzzFile.bytes = bytes;
    fuzzFile.size = size;
    fuzzFile.chunk = chunk;
    fuzzFile.failsAfter = failsAfter;
}

std::u16string keyFrom(const char* bytes, std::size_t size, std::uint8_t choice) {
    std::u16string key;
    switch (choice % 4) {
    case 0: key = u"80862578"; break;
    case 1: key = osDecodeAnsi(bytes, size < 8 ? size : 8); break;
    case 2: key = u"8086A01F"; break;
    default: key = osDecodeAnsi(bytes + (size < 8 ? size : 8), size < 16 ? 0 : 8); break;
    }
    osUpperCase(key);
    return key;
}

void checkSplit(const std::u16string& line) {
    std::u16string chip = u"stale";
    std::u16string name = u"stale";
    splitNameLine(line, chip, name);
    std::u16string rest = line.size() > 9 ? line.substr(9) : std::u16string();
    std::size_t tab = rest.find(u'\t');
    if (tab == 0) {
        CHECK(chip == rest.substr(1) && name == chip);
    } else if (tab == std::u16string::npos) {
        CHECK(chip.empty() && name == rest);
    } else {
        CHECK(chip.find(u'\t') == std::u16string::npos);
        CHECK(chip + u'\t' + name == rest);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) {
        return 0;
    }
    const char* bytes = reinterpret_cast<const char*>(data + 4);
    const std::size_t fileSize = size - 4;
    const std::size_t chunk = data[0];
    const std::size_t failPoint = static_cast<std::size_t>(data[1]) << 8 | data[2];
    const std::size_t failsAfter = failPoint == 0xFFFF ? SIZE_MAX : failPoint;
    const std::u16string key = keyFrom(bytes, fileSize, data[3]);
    const bool shortcutAllowed = keyAllowsShortcut(key);

    const std::vector<std::string> expected =
        referenceLines(bytes, fileSize < failsAfter ? fileSize : failsAfter);

    // The reader gives exactly those lines and stops reading at the end.
    rewind(bytes, fileSize, chunk, failsAfter);
    NameFileReader reader;
    startNameFileReader(reader, fuzzFileHandle);
    std::vector<std::string> lines;
    NameFileLine line;
    while (readNameFileLine(reader, line)) {
        lines.emplace_back(line.bytes, line.size);
        CHECK(lines.size() <= expected.size());
    }
    CHECK(lines == expected);
    CHECK(!readNameFileLine(reader, line));
    CHECK(fuzzFile.readsAfterEnd == 0);

    // Every line splits consistently; the shortcut rules out no line that
    // matches after decoding.
    long firstMatch = -1;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        std::u16string decoded = osDecodeAnsi(expected[i].data(), expected[i].size());
        checkSplit(decoded);
        bool matches = nameLineMatches(decoded, key);
        if (shortcutAllowed && !lineMayMatch(expected[i].data(), expected[i].size(), key)) {
            CHECK(!matches);
        }
        if (matches && firstMatch < 0) {
            firstMatch = static_cast<long>(i);
        }
    }

    // With and without the shortcut the search finds the first matching line.
    for (int shortcut = 0; shortcut < 2; ++shortcut) {
        if (shortcut == 1 && !shortcutAllowed) {
            break;
        }
        rewind(bytes, fileSize, chunk, failsAfter);
        startNameFileReader(reader, fuzzFileHandle);
        std::u16string found = u"stale";
        bool matched = findNameLine(reader, key, shortcut == 1, found);
        CHECK(matched == (firstMatch >= 0));
        if (matched) {
            const std::string& bytesOfLine = expected[static_cast<std::size_t>(firstMatch)];
            CHECK(found == osDecodeAnsi(bytesOfLine.data(), bytesOfLine.size()));
        }
    }
    return 0;
}
