// Device names as the scan gives them: from the name file, with the chip
// replaced by what the chipset rules give for the machine's functions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hw/driver_access.h"
#include "inventory/companion_key.h"
#include "inventory/device_table.h"
#include "inventory/pci_scan.h"
#include "inventory/text_format.h"
#include "sim_test_support.h"

namespace {

class DeviceNaming : public ::testing::Test {
protected:
    TempFolder folder;
    void SetUp() override {
        resetMachineFor(folder);
        simAddService(u"WinRing0_1_2_0", u"C:\\WinRing0x64.sys", true);
        ASSERT_TRUE(openDriverChannel());
        probeBounds = ProbeBounds{};
        ASSERT_TRUE(makeDeviceTable(deviceTable, 2));
    }
    void TearDown() override {
        releaseDeviceTable(deviceTable);
        closeDriverChannel();
    }
    // The device names of the machine in `dump`, in table order.
    std::vector<std::u16string> names(const std::string& dump) {
        std::string error;
        EXPECT_TRUE(simLoadPciDumpFile(std::string(PCILIST_SOURCE_DIR) + "/tests/fixtures/" + dump,
                                       simMachine.config, error))
            << error;
        std::int32_t count = scanPciBus();
        std::vector<std::u16string> result;
        for (std::int32_t i = 0; i < count; ++i) {
            result.push_back(deviceTable.slots[i].deviceName);
        }
        return result;
    }
};

const std::u16string unknown = u"Not available  ( Chip : Not available )";

TEST_F(DeviceNaming, CompanionKeysFromOtherFunctionsOfTheMachine) {
    struct Case {
        const char* dump;
        std::vector<std::u16string> names;
    };
    const Case cases[] = {
        {"chipset-e7210.dump", {u"Not available  ( Chip : Intel E7210 )", unknown}},
        {"chipset-845mp.dump", {u"Not available  ( Chip : 82845MP )", unknown}},
        {"chipset-sis.dump", {u"Not available  ( Chip : SiS 961 )", unknown, unknown}},
        {"chipset-ali.dump", {u"Not available  ( Chip : Aladdin IV+ )", unknown}},
        // The first candidate in table order is the companion of every function:
        // here the Intel LPC bridge, so the SiS and ALi rules stay silent.
        {"chipsets.dump",
         {u"Not available  ( Chip : 82845MP )", unknown, unknown, unknown, unknown, unknown}},
        {"edge-cases.dump",
         {u"Not available  ( Chip : Intel E7210 )", unknown, unknown, unknown, unknown,
          u"Not available  ( Chip : VT8377  ( KT400A ) )", unknown, unknown,
          u"Not available  ( Chip : Intel 855GM (Montara-GM) )",
          u"Not available  ( Chip : SiS 745 )"}},
    };
    for (const Case& c : cases) {
        releaseDeviceTable(deviceTable);
        ASSERT_TRUE(makeDeviceTable(deviceTable, 2));
        EXPECT_EQ(names(c.dump), c.names) << c.dump;
    }
}

TEST_F(DeviceNaming, WithoutCompanionTheOwnKeyStandsIn) {
    simSetConfigDword(0, 0x00, 0x25788086);
    EXPECT_EQ(scanPciBus(), 1);
    EXPECT_EQ(deviceTable.slots[0].deviceName, u"Not available  ( Chip : Intel 875P )");
}

TEST_F(DeviceNaming, TheRuleReplacesTheFilesChipAndKeepsItsName) {
    folder.write("pcinames.txt",
                 "80862578 82875P MCH\tE7210/875P Memory Controller Hub\r\n"
                 "808625a1 6300ESB\tLPC Interface Controller\r\n");
    EXPECT_EQ(names("chipset-e7210.dump"),
              (std::vector<std::u16string>{
                  u"E7210/875P Memory Controller Hub  ( Chip : Intel E7210 )",
                  u"LPC Interface Controller  ( Chip : 6300ESB )"}));
}

TEST_F(DeviceNaming, NamingTouchesNoHardware) {
    simMachine.logReads = true;
    names("chipset-e7210.dump");
    // 8 requests for each function found, 2 for each of the seven absent
    // functions behind the multi-function one, 16 for each other device slot.
    EXPECT_EQ(simMachine.reads.size(), 2u * 8 + 7 * 2 + (8192 - 2) * 16);
}

TEST_F(DeviceNaming, CompanionCandidatesAreExactlyTheKeysTheRulesLookFor) {
    for (const char16_t* key :
         {u"808625A1", u"8086248C", u"10395513", u"10390008", u"10B91533", u"10B91543"}) {
        EXPECT_TRUE(isCompanionCandidate(key)) << toUtf8(key);
    }
    for (const char16_t* key : {u"80862578", u"808625a1", u"10B91531", u"", u"808625A10"}) {
        EXPECT_FALSE(isCompanionCandidate(key)) << toUtf8(key);
    }
}

}  // namespace
