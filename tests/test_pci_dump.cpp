#include <gtest/gtest.h>

#include <string>

#include "sim/sim_machine.h"

namespace {

const SimFunctionSpace* at(const SimConfigSpace& space, std::uint32_t address) {
    return space.functions[address].get();
}

TEST(PciDump, ReadsHeaderLinesWithAndWithoutDomain) {
    const std::string dump =
        "00:1f.3 Audio device: Intel Corporation Device a348 (rev 10)\n"
        "00: 86 80 48 a3 06 04 10 00 10 00 03 04 10 00 80 00\r\n"
        "30: 00 00 00 00 50 00 00 00 00 00 00 00 ff 01 00 00\n"
        "\n"
        "0000:ff:1f.7 Host bridge\n"
        "00: 86 80\n"
        "0001:00:00.0 Elsewhere\n"  // another domain: not reachable
        "00: 11 22\n";
    SimConfigSpace space;
    std::string error;
    ASSERT_TRUE(simLoadPciDump(dump, space, error)) << error;
    const SimFunctionSpace* audio = at(space, 0x00 << 8 | 0x1f << 3 | 3);
    ASSERT_NE(audio, nullptr);
    EXPECT_EQ((*audio)[0x00], 0x86);
    EXPECT_EQ((*audio)[0x0E], 0x80);
    EXPECT_EQ((*audio)[0x3C], 0xFF);
    EXPECT_EQ((*audio)[0x10], 0x00);  // not in the dump: 0
    ASSERT_NE(at(space, 0xFFFF), nullptr);
    EXPECT_EQ((*at(space, 0xFFFF))[1], 0x80);
    EXPECT_EQ(at(space, 0), nullptr);
    int present = 0;
    for (const auto& function : space.functions) {
        present += function != nullptr;
    }
    EXPECT_EQ(present, 2);
}

TEST(PciDump, ExtendedSpaceAndBadInput) {
    SimConfigSpace space;
    std::string error;
    ASSERT_TRUE(simLoadPciDumpFile(std::string(PCILIST_SOURCE_DIR) + "/tests/fixtures/extended.dump",
                                   space, error)) << error;
    ASSERT_NE(at(space, 0), nullptr);
    EXPECT_EQ((*at(space, 0))[0x100], 0x01);
    EXPECT_EQ((*at(space, 0))[0xFFF], 0x5A);

    for (const char* bad : {"00: 86 80\n",                    // data before any function
                            "00:00.0 x\n00: 8\n",             // a byte of one digit
                            "00:00.0 x\nzz: 00\n",            // not an offset
                            "00:00.0 x\nff0: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\n",
                            "00:20.0 device 32\n",            // no such device number
                            "hello world\n"}) {
        EXPECT_FALSE(simLoadPciDump(bad, space, error)) << bad;
        EXPECT_FALSE(error.empty());
    }
    EXPECT_FALSE(simLoadPciDumpFile("/nonexistent/dump", space, error));
}

TEST(PciDump, LiveSysfs) {
    SimConfigSpace space;
    std::string error;
    ASSERT_TRUE(simLoadSysfs("/sys/bus/pci/devices", space, error)) << error;
    EXPECT_FALSE(simLoadSysfs("/nonexistent", space, error));
}

}  // namespace
