#include "inventory/class_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

const std::uint64_t endOfTable = 0xFFFFFFFFFFFFFFFF;

struct ClassCase {
    std::uint32_t classCode;
    const char16_t* deviceType;
};

// The whole table as the device list must show it, in table order.
const ClassCase expectedRows[] = {
    {0x000000, u"Non-VGA Pre-2.0 PCI Specification Device"},
    {0x000100, u"VGA Compatible Pre-2.0 PCI Specification Device"},
    {0x010000, u"SCSI Bus Controller"},
    {0x010100, u"IDE Bus Controller"},
    {0x0101FA, u"IDE Bus Controller"},
    {0x010180, u"IDE Bus Controller"},
    {0x010185, u"Serial ATA Controller"},
    {0x01018A, u"IDE Bus Controller"},
    {0x01018F, u"Serial ATA Controller"},
    {0x010200, u"Floppy Disk Controller"},
    {0x010300, u"IPI Bus Controller"},
    {0x010400, u"RAID Controller"},
    {0x010500, u"ATA Controller"},
    {0x010520, u"ATA Controller with Single DMA"},
    {0x010530, u"ATA Controller with chained DMA"},
    {0x010600, u"Serial ATA Controller"},
    {0x010601, u"Serial ATA Controller"},
    {0x010602, u"Serial ATA Controller - AHCI 1.0 interface"},
    {0x010700, u"Serial Attached SCSI (SAS) Controller"},
    {0x010701, u"Serial Storage Bus Controller"},
    {0x010801, u"Non-Volatile Memory Controller "},
    {0x010802, u"Non-Volatile Memory Express Controller"},
    {0x018000, u"Other Mass Storage Controller"},
    {0x020000, u"Ethernet Controller"},
    {0x020100, u"Token Ring Network Controller"},
    {0x020200, u"FDDI Network Controller"},
    {0x020300, u"ATM Network Controller"},
    {0x020400, u"ISDN Controller"},
    {0x020500, u"WorldFip Controller"},
    {0x020600, u"PICMG Controller"},
    {0x028000, u"Other Network Controller"},
    {0x030000, u"PC Compatible VGA Display Controller"},
    {0x030001, u"PC Compatible 8514 Display Controller"},
    {0x030100, u"XGA Display Controller"},
    {0x030200, u"3D Display Controller"},
    {0x038000, u"Other Display Controller"},
    {0x040000, u"Video Device"},
    {0x040100, u"Audio Device"},
    {0x040200, u"Computer Telephone Device"},
    {0x040300, u"High-Definition Audio Device"},
    {0x048000, u"Other Multimedia Device"},
    {0x050000, u"RAM Memory Controller"},
    {0x050100, u"Flash Memory Controller"},
    {0x058000, u"Other Memory Controller"},
    {0x060000, u"Host Bridge"},
    {0x060100, u"ISA Bridge"},
    {0x060200, u"EISA Bridge"},
    {0x060300, u"Micro Channel Bridge"},
    {0x060400, u"PCI to PCI Bridge"},
    {0x060401, u"PCI to PCI Bridge (Support subtractive decode)"},
    {0x060500, u"PCMCIA Bridge"},
    {0x060600, u"NuBus Bridge"},
    {0x060700, u"CardBus Bridge"},
    {0x060800, u"RACEWay Bridge (Transparent Mode)"},
    {0x060801, u"RACEWay Bridge (Endpoint Mode)"},
    {0x060940, u"PCI to PCI (1st Bus to the Host)"},
    {0x060980, u"PCI to PCI (2nd Bus to the Host)"},
    {0x060A00, u"PCI to Infiniband"},
    {0x068000, u"Other Bridge Device"},
    {0x070000, u"Generic XT Compatible Serial Controller"},
    {0x070001, u"16450 Compatible Serial Controller"},
    {0x070002, u"16550 Compatible Serial Controller"},
    {0x070003, u"16650 Compatible Serial Controller"},
    {0x070004, u"16750 Compatible Serial Controller"},
    {0x070005, u"16850 Compatible Serial Controller"},
    {0x070006, u"16950 Compatible Serial Controller"},
    {0x070100, u"Standard Parallel Controller"},
    {0x070101, u"Bidirectional Parallel Controller"},
    {0x070102, u"ECP 1.X Compliant Parallel Controller"},
    {0x070103, u"IEEE1284 Parallel Controller"},
    {0x0701FE, u"IEEE1284 Target Parallel Controller"},
    {0x070200, u"Multi Port Serial Controller"},
    {0x070300, u"Hayes Compatible Modem"},
    {0x070301, u"Hayes Compatible Modem 16450"},
    {0x070302, u"Hayes Compatible Modem 16550"},
    {0x070303, u"Hayes Compatible Modem 16650"},
    {0x070304, u"Hayes Compatible Modem 16750"},
    {0x070400, u"GPIB (ieee 488.1/2)"},
    {0x070500, u"SmartCard Controller"},
    {0x078000, u"Other Communications Controller"},
    {0x078002, u"Other Communications Controller"},
    {0x080000, u"Generic 8259 PIC (Programmable Interrupt Controller)"},
    {0x080001, u"ISA PIC (Programmable Interrupt Controller)"},
    {0x080002, u"PCI PIC (Programmable Interrupt Controller)"},
    {0x080010, u"I/O APIC Interrupt Controller"},
    {0x080020, u"PID"},
    {0x080100, u"Generic 8259 DMA (Direct Memory Access)"},
    {0x080101, u"ISA DMA (Direct Memory Access)"},
    {0x080102, u"EISA DMA (Direct Memory Access)"},
    {0x080200, u"Generic 8259 System Timer"},
    {0x080201, u"ISA System Timer"},
    {0x080202, u"EISA System Timer"},
    {0x080300, u"Generic RTC (Real Time Clock)"},
    {0x080301, u"ISA RTC (Real Time Clock)"},
    {0x080400, u"Generic PCI Hot Plug Controller"},
    {0x080500, u"SD Host Controller without DMA"},
    {0x080501, u"SD Host Controller with DMA"},
    {0x080600, u"Input/Output Memory Management Unit (IOMMU)"},
    {0x088000, u"Other Base Systems Peripheral"},
    {0x090000, u"Keyboard Controller"},
    {0x090100, u"Digitizer (Pen) Controller"},
    {0x090200, u"Mouse Controller"},
    {0x090300, u"Scanner Controller"},
    {0x090400, u"Generic Game Port Controller"},
    {0x090401, u"Legacy Based Game Port Controller"},
    {0x090410, u"Extended Game Port Controller"},
    {0x098000, u"Other Input Controller"},
    {0x0A0000, u"Generic Docking Station"},
    {0x0A8000, u"Other Type Docking Station"},
    {0x0B0000, u"i386 Processor"},
    {0x0B0100, u"i486 Processor"},
    {0x0B0200, u"Pentium Processor"},
    {0x0B1000, u"Alpha Processor"},
    {0x0B2000, u"Power PC Processor"},
    {0x0B3000, u"MIPS Processor"},
    {0x0B4000, u"Co-processor"},
    {0x0B8000, u"Co-processor"},
    {0x0C0000, u"Firewire (IEEE 1394) Controller"},
    {0x0C0010, u"OHCI (IEEE 1394) Controller"},
    {0x0C0100, u"ACCESS.bus Controller"},
    {0x0C0200, u"SSA (Serial Storage Archetecture) Controller"},
    {0x0C0300, u"UHCI USB (Universal Serial Bus) Controller"},
    {0x0C0310, u"OHCI USB (Universal Serial Bus) Controller"},
    {0x0C0320, u"EHCI USB (Universal Serial Bus) Controller"},
    {0x0C0330, u"USB (Universal Serial Bus) 3.0 Controller"},
    {0x0C0380, u"Unspecified USB (Universal Serial Bus) Controller"},
    {0x0C03FE, u"USB Target Controller"},
    {0x0C0400, u"Fibre Channel Controller"},
    {0x0C0500, u"SMBus Controller"},
    {0x0C0600, u"Infiniband"},
    {0x0C0700, u"IPMI (SMIC)"},
    {0x0C0701, u"IPMI (Keyboard)"},
    {0x0C0702, u"IPMI (Block Tx)"},
    {0x0C0800, u"SERCOS (IEC61491)"},
    {0x0C0900, u"CANbus"},
    {0x0D0000, u"IrDA Compatible Controller"},
    {0x0D0100, u"Consumer IR Controller"},
    {0x0D1000, u"RF Controller"},
    {0x0D1100, u"Bluetooth Controller"},
    {0x0D1200, u"Broadband Controller"},
    {0x0D2000, u"802.1a Controller"},
    {0x0D2100, u"802.1b Controller"},
    {0x0D8000, u"Other Wireless Controller"},
    {0x0E0000, u"Intelligent I/O Controller"},
    {0x0F0000, u"TV Satelite Communication Controller"},
    {0x0F0100, u"Audio Satelite Communication Controller"},
    {0x0F0300, u"Voice Satelite Communication Controller"},
    {0x0F0400, u"Data Satelite Communication Controller"},
    {0x100000, u"Network or Computing Encode/Decode Contoller"},
    {0x100100, u"Entertaiment Encode/Decode Contoller"},
    {0x108000, u"Other Encode/Decode Contoller"},
    {0x110000, u"DIPO Module DSP Controller"},
    {0x110100, u"Performance Counters DSP Controller"},
    {0x111000, u"Communication Synchronizer DSP Controller"},
    {0x112000, u"Signal Processing Management DSP Controller"},
    {0x118000, u"Other DSP Controller"},
    {0xFF0000, u"Device Does Not Fit In Class Codes"},
};

TEST(ClassTable, HoldsEveryRowInItsOrderWithItsExactText)
{
    const std::size_t expectedCount = sizeof expectedRows / sizeof expectedRows[0];
    ASSERT_EQ(expectedCount, 157u);
    std::size_t count = 0;
    while (ClassTable[count].classCode != endOfTable) {
        ASSERT_LT(count, expectedCount) << "table runs past its last row";
        EXPECT_EQ(ClassTable[count].classCode, expectedRows[count].classCode) << "row " << count;
        ASSERT_NE(ClassTable[count].deviceType, nullptr) << "row " << count;
        EXPECT_EQ(std::u16string(ClassTable[count].deviceType),
                  std::u16string(expectedRows[count].deviceType))
            << "row " << count;
        ++count;
    }
    EXPECT_EQ(count, expectedCount);
}

TEST(ClassTable, NoCodeOccursTwiceAndNoTextIsEmpty)
{
    for (std::size_t i = 0; ClassTable[i].classCode != endOfTable; ++i) {
        EXPECT_FALSE(std::u16string(ClassTable[i].deviceType).empty()) << "row " << i;
        for (std::size_t j = i + 1; ClassTable[j].classCode != endOfTable; ++j) {
            EXPECT_NE(ClassTable[i].classCode, ClassTable[j].classCode) << i << " " << j;
        }
    }
}

TEST(ClassLookup, FindsEveryRowByItsCode)
{
    for (const ClassCase& row : expectedRows) {
        EXPECT_EQ(lookupDeviceType(row.classCode), row.deviceType) << std::hex << row.classCode;
    }
}

TEST(ClassLookup, ComparesTheWholeCode)
{
    const ClassCase cases[] = {
        {0x000000, u"Non-VGA Pre-2.0 PCI Specification Device"},  // lowest code
        {0xFF0000, u"Device Does Not Fit In Class Codes"},        // highest code
        {0x010601, u"Serial ATA Controller"},
        {0x010602, u"Serial ATA Controller - AHCI 1.0 interface"},
        {0x010801, u"Non-Volatile Memory Controller "},           // closing blank kept
        {0x0101FA, u"IDE Bus Controller"},                        // stands out of order
        {0x0C0340, u""},  // known base and sub-class, unknown interface
        {0x010181, u""},
        {0x120000, u""},  // unknown base class
        {0xFFFFFF, u""},  // failed read
        {0x0C0301, u""},
        {0x1000000, u""},  // bits above the 24-bit code are not ignored
    };
    for (const ClassCase& c : cases) {
        EXPECT_EQ(lookupDeviceType(c.classCode), c.deviceType) << std::hex << c.classCode;
    }
}

}  // namespace
