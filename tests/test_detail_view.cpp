#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/program.h"
#include "inventory/device_table.h"
#include "sim_test_support.h"

namespace {

using Rows = std::vector<std::vector<std::u16string>>;

class DetailView : public ::testing::Test {
protected:
    TempFolder folder;
    void SetUp() override {
        resetMachineFor(folder);
        windowInitialise();
        mainWindow = windowOpenMain(u"PCI devices", 100, 200, 760, 535);
        deviceList = windowMakeReportList(mainWindow, 10, 20, 740, 262, deviceListId, u"Bus", 50);
        detailList = windowMakeReportList(mainWindow, 10, 287, 740, 221, detailListId, u"Element", 250);
        windowAddColumn(detailList, 1, u"Data", 460);
        ASSERT_TRUE(makeDeviceTable(deviceTable, 2));
        DeviceRecord& r = deviceTable.slots[0];
        r = DeviceRecord{u"0", u"2", u"0", u"1234", u"Not available", u"5678",
                         u"Not available  ( Chip : Not available )", u"01", u"0000",
                         u"Not available", u"0000", u"030000", u"Not available", u"255", u"10",
                         u"40", u"80"};
        deviceTable.count = 1;
        ASSERT_TRUE(resizeDeviceTable(deviceTable, 3));
        deviceTable.slots[1] = deviceTable.slots[0];  // the resize moved the records
        deviceTable.slots[1].busNumber = u"7";
        deviceTable.count = 2;
        windowAppendRow(deviceList, u"0");
        windowAppendRow(deviceList, u"7");
    }
    void TearDown() override {
        releaseDeviceTable(deviceTable);
        mainWindow = deviceList = detailList = 0;
    }
    void select(int row) { simControlById(deviceListId)->selectedRow = row; }
    const Rows& details() { return simControlById(detailListId)->rows; }
};

TEST_F(DetailView, FourteenRowsOfTheSelectedRecord) {
    select(0);
    showDeviceDetails();
    EXPECT_EQ(details(),
              (Rows{{u"Bus Number", u"0"},
                    {u"Device Number", u"2"},
                    {u"Function Number", u"0"},
                    {u"Company Code", u"1234h  -> Not available"},
                    {u"Device Code", u"5678h  -> Not available  ( Chip : Not available )"},
                    {u"Revision Code", u"01h"},
                    {u"Subsystem's Company Code", u"0000h  -> Not available"},
                    {u"Subsystem's Device Code", u"0000h"},
                    {u"Class Code", u"030000h"},
                    {u"IRQ Code", u"255"},
                    {u"Cache Line", u"10h"},
                    {u"Latency", u"40h"},
                    {u"Header", u"80h"},
                    {u"Device Type", u"Not available"}}));
}

TEST_F(DetailView, FollowsTheSelectionAndKeepsItsRowsWithoutOne) {
    showDeviceDetails();  // nothing selected yet: stays empty, nothing removed
    EXPECT_TRUE(details().empty());
    EXPECT_TRUE(simWindow.display.size() == 2u);  // the two device rows only

    select(0);
    showDeviceDetails();
    showDeviceDetails();  // rebuilt, not doubled
    EXPECT_EQ(details().size(), 14u);

    select(1);
    showDeviceDetails();
    EXPECT_EQ(details()[0][1], u"7");

    select(-1);
    showDeviceDetails();
    EXPECT_EQ(details().size(), 14u);
    EXPECT_EQ(details()[0][1], u"7");

    select(2);  // beyond the records: nothing to show
    showDeviceDetails();
    EXPECT_EQ(details()[0][1], u"7");
}

}  // namespace
