#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "hw/driver_access.h"
#include "inventory/device_table.h"
#include "inventory/pci_scan.h"
#include "inventory/text_format.h"
#include "inventory/vendor_table.h"
#include "sim_test_support.h"

namespace {

std::string fixture(const std::string& name) {
    return std::string(PCILIST_SOURCE_DIR) + "/tests/fixtures/" + name;
}

class PciScan : public ::testing::Test {
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
    void load(const std::string& name) {
        std::string error;
        ASSERT_TRUE(simLoadPciDumpFile(fixture(name), simMachine.config, error)) << error;
    }
    std::vector<std::string> foundSlots(std::int32_t count) {
        std::vector<std::string> slots;
        for (std::int32_t i = 0; i < count; ++i) {
            const DeviceRecord& r = deviceTable.slots[i];
            slots.push_back(toUtf8(r.busNumber + u":" + r.deviceNumber + u"." + r.functionNumber));
        }
        return slots;
    }
};

using Request = std::pair<std::uint32_t, std::uint32_t>;  // offset, size

std::vector<Request> requestsAt(std::uint32_t address) {
    std::vector<Request> result;
    for (const SimReadRequest& read : simMachine.reads) {
        if (read.address == address) {
            result.push_back({read.offset, read.size});
        }
    }
    return result;
}

TEST_F(PciScan, RequestOrderOfPresentAndAbsentFunctions) {
    std::uint32_t present = makeConfigAddress(0, 0, 0);
    simSetConfigDword(present, 0x00, 0x25788086);
    simSetConfigByte(present, 0x0E, 0x80);  // multi-function: function 1 is probed too
    probeBounds = ProbeBounds{1, 1, 8};
    simMachine.logReads = true;

    EXPECT_EQ(scanPciBus(), 1);
    EXPECT_EQ(requestsAt(present),
              (std::vector<Request>{{0x00, 4}, {0x08, 4}, {0x2C, 4}, {0x3C, 2}, {0x0C, 2},
                                    {0x0D, 2}, {0x0E, 2}, {0x0E, 2}}));
    EXPECT_EQ(requestsAt(makeConfigAddress(0, 0, 1)), (std::vector<Request>{{0x00, 4}, {0x0E, 2}}));
    EXPECT_EQ(simMachine.reads.size(), 8u + 7 * 2);
}

TEST_F(PciScan, EmptyMachineProbesEveryAddressAndKeepsTwoSlots) {
    simMachine.logReads = true;
    EXPECT_EQ(scanPciBus(), 0);
    EXPECT_EQ(simMachine.reads.size(), 131072u);
    EXPECT_EQ(simMachine.reads.back().address, 0xFFFFu);
    EXPECT_EQ(deviceTable.slotCount, 2);
    EXPECT_EQ(deviceTable.count, 0);
}

TEST_F(PciScan, MultiFunctionRuleAndLastBus) {
    load("edge-cases.dump");
    std::int32_t count = scanPciBus();
    // 00:03.0 and 00:04.0 read vendor 0000; 00:04.1 hides behind a
    // single-function header; ff:1f.7 is the very last address.
    EXPECT_EQ(foundSlots(count),
              (std::vector<std::string>{"0:0.0", "0:1.0", "0:1.2", "0:1.7", "0:2.3", "0:3.1",
                                        "0:5.0", "1:0.0", "255:31.0", "255:31.7"}));
}

TEST_F(PciScan, TableGrowsToCountPlusOneWithAnEmptySlotLast) {
    load("edge-cases.dump");
    std::int32_t count = scanPciBus();
    ASSERT_EQ(count, 10);
    EXPECT_EQ(deviceTable.count, count);
    EXPECT_EQ(deviceTable.slotCount, count + 1);
    EXPECT_TRUE(deviceTable.slots[count].busNumber.empty());
    EXPECT_TRUE(deviceTable.slots[count].companyCode.empty());

    releaseDeviceTable(deviceTable);
    ASSERT_TRUE(makeDeviceTable(deviceTable, 2));
    probeBounds = ProbeBounds{1, 1, 1};
    simMachine.config = SimConfigSpace();
    simSetConfigDword(0, 0x00, 0x25788086);
    EXPECT_EQ(scanPciBus(), 1);
    EXPECT_EQ(deviceTable.slotCount, 2);  // the larger of 2 and count + 1
}

TEST_F(PciScan, FieldTexts) {
    load("edge-cases.dump");
    std::int32_t count = scanPciBus();
    ASSERT_EQ(count, 10);
    struct Expected {
        int index;
        std::vector<std::u16string> fields;  // every field but the names
    };
    // bus, device, function, company, device, revision, subsystem company,
    // subsystem device, class, irq, cache line, latency, header, device type
    const Expected cases[] = {
        {6, {u"0", u"5", u"0", u"1234", u"5678", u"01", u"1234", u"0001", u"030000", u"11", u"00",
             u"00", u"00", u"PC Compatible VGA Display Controller"}},
        {4, {u"0", u"2", u"3", u"10EC", u"8139", u"10", u"0000", u"0000", u"020000", u"11", u"10",
             u"40", u"00", u"Ethernet Controller"}},
        {2, {u"0", u"1", u"2", u"8086", u"25A2", u"02", u"0000", u"0000", u"01018A", u"255", u"00",
             u"00", u"00", u"IDE Bus Controller"}},
        {7, {u"1", u"0", u"0", u"10DE", u"0A65", u"A2", u"0000", u"0000", u"120000", u"16", u"00",
             u"00", u"81", u"Not available"}},
        {3, {u"0", u"1", u"7", u"8086", u"25A3", u"00", u"0000", u"0000", u"0C0340", u"0", u"00",
             u"00", u"00", u"Not available"}},
    };
    for (const Expected& expected : cases) {
        const DeviceRecord& r = deviceTable.slots[expected.index];
        std::vector<std::u16string> fields = {
            r.busNumber,    r.deviceNumber, r.functionNumber, r.companyCode,
            r.deviceCode,   r.revisionCode, r.subsystemCompanyCode, r.subsystemDeviceCode,
            r.classCode,    r.irqCode,      r.cacheLine,      r.latency,
            r.header,       r.deviceType};
        EXPECT_EQ(fields, expected.fields) << expected.index;
    }
    const DeviceRecord& example = deviceTable.slots[6];
    EXPECT_EQ(example.companyName, lookupCompanyName(0x1234));
    EXPECT_EQ(example.subsystemCompanyName, lookupCompanyName(0x1234));
    EXPECT_EQ(deviceTable.slots[7].subsystemCompanyName, u"Not available");
}

TEST_F(PciScan, FailedReadsFlowIntoTheTexts) {
    std::uint32_t address = makeConfigAddress(0, 0, 0);
    simSetConfigDword(address, 0x00, 0x56781234);
    for (std::uint32_t offset : {0x08u, 0x2Cu, 0x3Cu, 0x0Cu, 0x0Du, 0x0Eu}) {
        simMachine.faults.failingReads.insert({address, offset});
    }
    probeBounds = ProbeBounds{1, 1, 8};
    simMachine.logReads = true;
    ASSERT_EQ(scanPciBus(), 1);
    const DeviceRecord& r = deviceTable.slots[0];
    EXPECT_EQ(r.classCode, u"FFFFFF");
    EXPECT_EQ(r.deviceType, u"Not available");
    EXPECT_EQ(r.revisionCode, u"FF");
    EXPECT_EQ(r.subsystemCompanyCode, u"FFFF");
    EXPECT_EQ(r.subsystemDeviceCode, u"FFFF");
    EXPECT_EQ(r.subsystemCompanyName, u"Not available");
    EXPECT_EQ(r.irqCode, u"255");
    EXPECT_EQ(r.cacheLine, u"FF");
    EXPECT_EQ(r.latency, u"FF");
    EXPECT_EQ(r.header, u"FF");
    // A failed header read counts as multi-function: all eight functions probed.
    EXPECT_EQ(requestsAt(makeConfigAddress(0, 0, 7)).size(), 2u);
}

TEST_F(PciScan, WithoutDriverEveryReadFailsAndNothingIsFound) {
    load("live-vm.dump");
    closeDriverChannel();
    driverChannel.handle = -1;
    EXPECT_EQ(scanPciBus(), 0);
    EXPECT_EQ(deviceTable.slotCount, 2);
}

TEST_F(PciScan, AllocationFailureEndsTheScanWithTheRecordsCompleted) {
    load("edge-cases.dump");
    // Allocation 0 was the table's first two slots; growing to 3 slots after
    // the second record is the next one.
    struct Case {
        long failingAllocation;
        std::int32_t records;
    };
    for (Case c : {Case{1, 2}, Case{2, 3}, Case{5, 6}}) {
        releaseDeviceTable(deviceTable);
        simMachine.allocationCount = 0;
        simMachine.faults.allocationFailsAt = -1;
        ASSERT_TRUE(makeDeviceTable(deviceTable, 2));
        simMachine.faults.allocationFailsAt = c.failingAllocation;
        std::int32_t count = scanPciBus();
        EXPECT_EQ(count, c.records) << c.failingAllocation;
        EXPECT_EQ(deviceTable.count, c.records);
        // The records completed are whole, names included.
        EXPECT_EQ(deviceTable.slots[count - 1].companyCode.size(), 4u);
        EXPECT_FALSE(deviceTable.slots[count - 1].deviceName.empty());
    }
}

}  // namespace
