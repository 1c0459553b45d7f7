#include "inventory/device_name_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "inventory/name_file_lines.h"
#include "inventory/text_format.h"
#include "sim/sim_machine.h"
#include "sim_test_support.h"

namespace {

struct Lookup {
    int status;
    std::u16string chip;
    std::u16string name;
};

// The program lies in a fresh folder; its name file is written there.
class NameFileTest : public ::testing::Test {
protected:
    TempFolder folder;

    void SetUp() override {
        ASSERT_FALSE(folder.path.empty());
        resetSimMachine();
        simMachine.moduleFileName = simUtf16(folder.path + "/pcilist.exe");
    }

    std::string namesPath() const { return folder.file("pcinames.txt"); }
    void writeNames(const std::string& bytes) const { folder.write("pcinames.txt", bytes); }

    // Starts from stale texts, which every outcome must overwrite, and checks
    // that the call left no handle open.
    Lookup lookup(const std::u16string& key) {
        Lookup result{-1, u"stale chip", u"stale name"};
        result.status = lookupDeviceName(key, result.chip, result.name);
        EXPECT_EQ(simOpenHandleCount(), 0);
        return result;
    }

    int countCalls(const std::string& prefix) const {
        return static_cast<int>(std::count_if(
            simMachine.calls.begin(), simMachine.calls.end(),
            [&](const std::string& call) { return call.rfind(prefix, 0) == 0; }));
    }
};

void expectLookup(const Lookup& got, int status, const std::u16string& chip,
                  const std::u16string& name, const std::string& what) {
    EXPECT_EQ(got.status, status) << what;
    EXPECT_EQ(got.chip, chip) << what << ": chip " << toUtf8(got.chip);
    EXPECT_EQ(got.name, name) << what << ": name " << toUtf8(got.name);
}

std::string withEnding(const std::vector<std::string>& lines, const std::string& ending) {
    std::string bytes;
    for (const std::string& line : lines) {
        bytes += line + ending;
    }
    return bytes;
}

const std::string nul(1, '\0');

struct NameFileCase {
    const char* what;
    std::string bytes;
    std::u16string key;
    int status;
    std::u16string chip;
    std::u16string name;
};

TEST_F(NameFileTest, LinesGiveStatusChipAndName) {
    const std::u16string na = notAvailable;
    const std::string longLine(5000, 'x');
    const std::string toBoundary(4091, '#');  // with its LF the next line starts at byte 4092
    const std::string utf16 = std::string("\xFF\xFE", 2) +
                              std::string("8\0" "0\0" "8\0" "6\0" "2\0" "5\0" "7\0" "8\0"
                                          " \0" "c\0" "\t\0" "n\0" "\r\0" "\n\0", 28);
    const NameFileCase cases[] = {
        {"key, one character, chip, TAB, name", "80862578 Intel chip\tHost bridge\r\n",
         u"80862578", 0, u"Intel chip", u"Host bridge"},
        {"TAB at position 10", "80862578 \tHost bridge\r\n", u"80862578", 0, u"Host bridge",
         u"Host bridge"},
        {"TAB at position 9 is skipped", "80862578\tchip\tname\r\n", u"80862578", 0, u"chip",
         u"name"},
        {"TAB at position 9 and none after it", "80862578\tHost bridge\r\n", u"80862578", 0, u"",
         u"Host bridge"},
        {"TAB at the end of the line", "80862578 chip\t\r\n", u"80862578", 0, u"chip", u""},
        {"several TABs", "80862578 chip\tname\twith\ttabs\r\n", u"80862578", 0, u"chip",
         u"name\twith\ttabs"},
        {"no TAB", "80862578 just a name\r\n", u"80862578", 0, u"", u"just a name"},
        {"key only", "80862578\r\n", u"80862578", 0, u"", u""},
        {"key and one character", "80862578X", u"80862578", 0, u"", u""},
        {"key and two characters", "80862578 A", u"80862578", 0, u"", u"A"},
        {"only positions 1 to 8 are compared", "80862578ZZ\tname", u"80862578", 0, u"Z",
         u"name"},
        {"lower-case key in the file", "8086a01f ICH\tLPC bridge\n", u"8086A01F", 0, u"ICH",
         u"LPC bridge"},
        {"lower-case key given", "8086A01F ICH\tLPC bridge\n", u"8086a01f", 0, u"ICH",
         u"LPC bridge"},
        {"a 7-character line never matches", "8086257\r\n", u"80862578", 2, na, na},
        {"the key must begin the line", " 80862578 chip\tname\r\n", u"80862578", 2, na, na},
        {"another key", "80862579 chip\tname\r\n", u"80862578", 2, na, na},
        {"duplicate keys: the first wins", "80862578 first\tA\r\n80862578 second\tB\r\n",
         u"80862578", 0, u"first", u"A"},
        {"LF", withEnding({"10DE06E8 G98M\tGeForce", "80862578 chip\tname", "1"}, "\n"),
         u"80862578", 0, u"chip", u"name"},
        {"CR LF", withEnding({"10DE06E8 G98M\tGeForce", "80862578 chip\tname", "1"}, "\r\n"),
         u"80862578", 0, u"chip", u"name"},
        {"lone CR", withEnding({"10DE06E8 G98M\tGeForce", "80862578 chip\tname", "1"}, "\r"),
         u"80862578", 0, u"chip", u"name"},
        {"NUL", withEnding({"10DE06E8 G98M\tGeForce", "80862578 chip\tname", "1"}, nul),
         u"80862578", 0, u"chip", u"name"},
        {"NUL in the middle of a line", "80862578 chip" + nul + "\tname\r\n", u"80862578", 0,
         u"", u"chip"},
        {"two line ends in a row", "10DE06E8 a\tb\r\r\n\n80862578 chip\tname", u"80862578", 0,
         u"chip", u"name"},
        {"CR then NUL", "10DE06E8 a\tb\r" + nul + "80862578 chip\tname", u"80862578", 0,
         u"chip", u"name"},
        {"no final line end", "10DE06E8 a\tb\r\n80862578 chip\tname", u"80862578", 0, u"chip",
         u"name"},
        {"UTF-8 mark: the first line never matches", "\xEF\xBB\xBF" "80862578 chip\tname\r\n",
         u"80862578", 2, na, na},
        {"UTF-8 mark: later lines match", "\xEF\xBB\xBF" "80862578 a\tb\r\n10DE06E8 G98M\tGF\r\n",
         u"10DE06E8", 0, u"G98M", u"GF"},
        {"UTF-16 file", utf16, u"80862578", 2, na, na},
        {"empty file", "", u"80862578", 2, na, na},
        {"only line ends", "\r\n\n\r" + nul, u"80862578", 2, na, na},
        {"code page 1252 in chip and name", "80862578 Chip\x80\tCaf\xE9 \x81\x9F\xFF\r\n",
         u"80862578", 0, u"Chip\u20AC", u"Caf\u00E9 \u0081\u0178\u00FF"},
        {"non-ASCII in the first 8 bytes", "8086257\xE8 chip\tname\r\n", u"80862578", 2, na, na},
        {"a key outside hex digits is compared after decoding",
         "\xE0\xE0\xE0\xE0\xE0\xE0\xFF\xB5 c\tn",
         u"\u00C0\u00C0\u00C0\u00C0\u00C0\u00C0\u0178\u00B5", 0, u"c", u"n"},
        {"a line longer than the read buffer", longLine + "\r\n80862578 chip\tname\r\n",
         u"80862578", 0, u"chip", u"name"},
        {"a name across the buffer boundary",
         toBoundary.substr(20) + "\n80862578 chip\t" + std::string(100, 'n') + "\r\n",
         u"80862578", 0, u"chip", std::u16string(100, u'n')},
        {"a key across the buffer boundary", toBoundary + "\n80862578 chip\tname\r\n",
         u"80862578", 0, u"chip", u"name"},
        {"CR at the buffer end, LF after it", std::string(4095, '#') + "\r\n80862578 c\tn",
         u"80862578", 0, u"c", u"n"},
    };
    for (const NameFileCase& c : cases) {
        writeNames(c.bytes);
        expectLookup(lookup(c.key), c.status, c.chip, c.name, c.what);
    }
}

// Every way the file can fail to open gives status 1.
TEST_F(NameFileTest, FileThatDoesNotOpenGivesStatus1) {
    const std::u16string na = notAvailable;
    expectLookup(lookup(u"80862578"), 1, na, na, "missing file");

    writeNames("80862578 chip\tname\r\n");
    simMachine.faults.filesHeldForWriting.insert(namesPath());
    expectLookup(lookup(u"80862578"), 1, na, na, "held open for writing");
    EXPECT_EQ(osGetLastError(), simErrorSharingViolation);
    simMachine.faults.filesHeldForWriting.clear();
    expectLookup(lookup(u"80862578"), 0, u"chip", u"name", "no longer held");

    ASSERT_EQ(unlink(namesPath().c_str()), 0);
    ASSERT_EQ(mkdir(namesPath().c_str(), 0755), 0);
    expectLookup(lookup(u"80862578"), 1, na, na, "a folder of that name");
}

TEST_F(NameFileTest, FileBesideTheProgramNotInTheWorkingFolder) {
    TempFolder elsewhere;
    elsewhere.write("pcinames.txt", "80862578 wrong\tfile\r\n");
    writeNames("80862578 right\tfile\r\n");
    char saved[4096];
    ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
    ASSERT_EQ(chdir(elsewhere.path.c_str()), 0);

    Lookup found = lookup(u"80862578");
    ASSERT_EQ(unlink(namesPath().c_str()), 0);
    Lookup missing = lookup(u"80862578");

    ASSERT_EQ(chdir(saved), 0);
    expectLookup(found, 0, u"right", u"file", "from another working folder");
    expectLookup(missing, 1, notAvailable, notAvailable, "only the working folder has one");
    EXPECT_EQ(simMachine.calls.back(), "CreateFileW(" + namesPath() + ")");
}

TEST_F(NameFileTest, EveryCallOpensAndReadsTheFileAnew) {
    writeNames("80862578 old\tname\r\n");
    expectLookup(lookup(u"80862578"), 0, u"old", u"name", "first call");
    writeNames("10DE06E8 other\tline\r\n80862578 new\tname\r\n");
    expectLookup(lookup(u"80862578"), 0, u"new", u"name", "after a change");
    expectLookup(lookup(u"10DE06E8"), 0, u"other", u"line", "the first line again");
    EXPECT_EQ(countCalls("CreateFileW("), 3);
    EXPECT_EQ(countCalls("CloseHandle(file)"), 3);
}

// The reads go through a buffer of 4096 bytes and stop at the first match.
TEST_F(NameFileTest, ReadingStopsAtTheFirstMatch) {
    std::string bytes = "80862578 first\tA\r\n";
    while (bytes.size() < 3 * 4096) {
        bytes += "80862578 later\tB\r\n";
    }
    writeNames(bytes);
    simMachine.logFileReads = true;
    expectLookup(lookup(u"80862578"), 0, u"first", u"A", "duplicate keys");
    EXPECT_EQ(countCalls("ReadFile("), 1);

    // A read after the match would fail; the match stands.
    simMachine.calls.clear();
    simMachine.faults.fileReadFailsAfter = 4096;
    expectLookup(lookup(u"80862578"), 0, u"first", u"A", "a fault after the match");

    // Without a match the file is read to its end, one buffer at a time.
    simMachine.calls.clear();
    simMachine.faults.fileReadFailsAfter = -1;
    expectLookup(lookup(u"FFFFFFFF"), 2, notAvailable, notAvailable, "absent key");
    EXPECT_EQ(countCalls("ReadFile(4096)"), static_cast<int>(bytes.size() / 4096 + 2));
    EXPECT_EQ(countCalls("ReadFile("), countCalls("ReadFile(4096)"));
}

TEST_F(NameFileTest, ReadFailureEndsTheSearchAsTheEndOfTheFile) {
    std::string bytes;
    while (bytes.size() < 2 * 4096) {
        bytes += "10DE06E8 G98M\tGeForce 9200M GS\r\n";
    }
    writeNames(bytes + "80862578 chip\tname\r\n");
    simMachine.logFileReads = true;
    expectLookup(lookup(u"80862578"), 0, u"chip", u"name", "no fault");

    // The fault cuts a line: 4096 bytes, then 4, then the failed read, which
    // is not tried again.
    simMachine.calls.clear();
    simMachine.faults.fileReadFailsAfter = 4100;
    expectLookup(lookup(u"80862578"), 2, notAvailable, notAvailable, "fault part-way");
    EXPECT_EQ(countCalls("ReadFile("), 3);
    expectLookup(lookup(u"10DE06E8"), 0, u"G98M", u"GeForce 9200M GS", "before the fault");

    simMachine.faults.fileReadFailsAfter = 0;
    expectLookup(lookup(u"10DE06E8"), 2, notAvailable, notAvailable, "the first read fails");
}

TEST_F(NameFileTest, LineOf64MiB) {
    const std::size_t nameSize = std::size_t(64) << 20;
    std::string bytes = "10DE06E8 G98M\tGeForce\r\n80862578 chip\t";
    bytes.append(nameSize - 1, 'n');
    bytes += "e\r\n80862578 second\tline\r\n";
    writeNames(bytes);
    bytes.clear();
    bytes.shrink_to_fit();

    Lookup got = lookup(u"80862578");
    EXPECT_EQ(got.status, 0);
    EXPECT_EQ(got.chip, u"chip");
    ASSERT_EQ(got.name.size(), nameSize);
    EXPECT_EQ(got.name.find_first_not_of(u'n'), nameSize - 1);
    EXPECT_EQ(got.name.back(), u'e');
}

// The reader gives the lines of the file, whatever its line ends and reads.
struct ReaderCase {
    const char* what;
    std::string bytes;
    std::vector<std::string> lines;
};

std::vector<std::string> readAllLines(const std::string& path) {
    std::vector<std::string> lines;
    OsHandle file = osCreateFile(simUtf16(path), osGenericRead, osFileShareRead, osOpenExisting,
                                 osFileAttributeNormal);
    EXPECT_NE(file, osInvalidHandle);
    if (file == osInvalidHandle) {
        return lines;
    }
    NameFileReader reader;
    startNameFileReader(reader, file);
    NameFileLine line;
    while (readNameFileLine(reader, line)) {
        lines.emplace_back(line.bytes, line.size);
    }
    osCloseHandle(file);
    return lines;
}

TEST_F(NameFileTest, ReaderSplitsAtEveryLineEnd) {
    const std::string big(9000, 'b');
    const std::string edge(4095, 'e');
    const ReaderCase cases[] = {
        {"empty file", "", {}},
        {"one line end", "\n", {""}},
        {"CR LF only", "\r\n", {""}},
        {"no final line end", "a\nb", {"a", "b"}},
        {"LF", "a\nb\n", {"a", "b"}},
        {"CR LF", "a\r\nb\r\n", {"a", "b"}},
        {"lone CR", "a\rb\r", {"a", "b"}},
        {"NUL", std::string("a\0b\0", 4), {"a", "b"}},
        {"CR CR LF", "a\r\r\nb", {"a", "", "b"}},
        {"LF CR", "a\n\rb", {"a", "", "b"}},
        {"LF LF", "a\n\nb", {"a", "", "b"}},
        {"CR NUL", std::string("a\r\0b", 4), {"a", "", "b"}},
        {"NUL LF", std::string("a\0\nb", 4), {"a", "", "b"}},
        {"TABs and high bytes stay", "\t\x80\xFF\t\n", {"\t\x80\xFF\t"}},
        {"longer than the buffer", big + "\r\n" + big, {big, big}},
        {"line end at the buffer end", edge + "\n" + "x", {edge, "x"}},
        {"CR at the buffer end", edge + "\r\nx", {edge, "x"}},
        {"lone CR at the buffer end", edge + "\rx", {edge, "x"}},
        {"CR as the last byte of the file", "a\r", {"a"}},
    };
    for (const ReaderCase& c : cases) {
        writeNames(c.bytes);
        EXPECT_EQ(readAllLines(namesPath()), c.lines) << c.what;
        EXPECT_EQ(simOpenHandleCount(), 0);
    }
}

// The shortcut that skips decoding gives the same answers as decoding every
// line, over lines made to sit at its edges.
TEST_F(NameFileTest, ShortcutAgreesWithDecodingEveryLine) {
    const std::vector<std::u16string> keys = {u"80862578", u"8086A01F", u"ABCDEF09", u"0000FFFF"};
    const std::string starts[] = {"80862578", "8086a01f", "8086A01F", "abcdef09", "ABCDEF09",
                                  "0000ffff", "8086257",  "8086A01",  "0000FFF"};
    const std::string oddBytes[] = {"\r", "\n", std::string(1, '\0'), "\t", " ", "\x80",
                                    "\xE0", "\xFF", "\x9A", "\xB5", "\xC0", "\xDF", "x", "G"};
    std::mt19937 random(20240611);
    auto pick = [&](std::size_t count) { return static_cast<std::size_t>(random() % count); };

    for (int round = 0; round < 150; ++round) {
        std::string bytes;
        int lineCount = 1 + static_cast<int>(pick(12));
        for (int i = 0; i < lineCount; ++i) {
            std::string line = starts[pick(std::size(starts))];
            // Cut it, or put odd bytes into the first positions or after them.
            if (pick(4) == 0) {
                line.resize(pick(line.size() + 1));
            }
            int changes = static_cast<int>(pick(3));
            for (int k = 0; k < changes; ++k) {
                std::size_t at = pick(line.size() + 3);
                line.insert(std::min(at, line.size()), oddBytes[pick(std::size(oddBytes))]);
            }
            if (pick(2) == 0) {
                line += " chip\tname \xE9";
            }
            bytes += line;
            const char* ends[] = {"\r\n", "\n", "\r", ""};
            bytes += ends[pick(4)];
        }
        writeNames(bytes);
        for (const std::u16string& key : keys) {
            std::u16string lines[2];
            bool matched[2];
            for (int shortcut = 0; shortcut < 2; ++shortcut) {
                OsHandle file = osCreateFile(simUtf16(namesPath()), osGenericRead,
                                             osFileShareRead, osOpenExisting,
                                             osFileAttributeNormal);
                ASSERT_NE(file, osInvalidHandle);
                NameFileReader reader;
                startNameFileReader(reader, file);
                matched[shortcut] = findNameLine(reader, key, shortcut == 1, lines[shortcut]);
                osCloseHandle(file);
            }
            ASSERT_EQ(matched[0], matched[1]) << "round " << round << " key " << toUtf8(key);
            ASSERT_EQ(lines[0], lines[1]) << "round " << round << " key " << toUtf8(key);
        }
    }
    EXPECT_TRUE(keyAllowsShortcut(u"8086A01F"));
    EXPECT_FALSE(keyAllowsShortcut(u"8086a01f"));
    EXPECT_FALSE(keyAllowsShortcut(u"8086A01G"));
    EXPECT_FALSE(keyAllowsShortcut(u"8086A01"));
    EXPECT_FALSE(keyAllowsShortcut(u"8086A01F0"));
}

// Upper case on the simulated machine as CharUpperW does it for what code
// page 1252 decodes to: the micro sign, sharp s and the division sign stay.
TEST(SimFiles, UpperCaseAsWindows) {
    std::u16string text = u"az\u00E0\u00F6\u00F7\u00F8\u00FE\u00FF\u00B5\u00DF\u0161\u0153\u017E"
                          u"\u0192\u00AA{}@[`09";
    simUpperCase(text);
    EXPECT_EQ(text, u"AZ\u00C0\u00D6\u00F7\u00D8\u00DE\u0178\u00B5\u00DF\u0160\u0152\u017D"
                    u"\u0191\u00AA{}@[`09");
}

}  // namespace
