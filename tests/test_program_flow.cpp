#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/program.h"
#include "inventory/device_table.h"
#include "inventory/text_format.h"
#include "sim_test_support.h"

namespace {

std::string fixture(const std::string& name) {
    return std::string(PCILIST_SOURCE_DIR) + "/tests/fixtures/" + name;
}

std::vector<std::u16string> columnTitles(const SimControl& list) {
    std::vector<std::u16string> titles;
    for (const SimColumn& column : list.columns) {
        titles.push_back(column.title + u"/" + formatDecimal(static_cast<std::uint32_t>(column.width)));
    }
    return titles;
}

class ProgramFlow : public ::testing::Test {
protected:
    TempFolder folder;
    void SetUp() override {
        resetMachineFor(folder);
        folder.write("WinRing0x64.sys", "driver");
    }
    void load(const std::string& name) {
        std::string error;
        ASSERT_TRUE(simLoadPciDumpFile(fixture(name), simMachine.config, error)) << error;
    }
    std::vector<std::string> displayed(const std::string& prefix) {
        std::vector<std::string> lines;
        for (const std::string& line : simWindow.display) {
            if (line.rfind(prefix, 0) == 0) {
                lines.push_back(line);
            }
        }
        return lines;
    }
};

TEST_F(ProgramFlow, WindowAndControlsAsLaidOut) {
    simWindow.script = {{SimEvent::closeRequest}};
    EXPECT_EQ(runProgram(), 0);
    EXPECT_EQ(simWindow.main.title, u"PCI devices");
    EXPECT_EQ(simWindow.main.x, 100);
    EXPECT_EQ(simWindow.main.y, 200);
    EXPECT_EQ(simWindow.main.clientWidth, 760);
    EXPECT_EQ(simWindow.main.clientHeight, 535);
    ASSERT_EQ(simWindow.controls.size(), 3u);
    const SimControl& hint = simWindow.controls[0];
    EXPECT_EQ(hint.kind, SimControlKind::staticText);
    EXPECT_EQ((std::vector<int>{hint.id, hint.x, hint.y, hint.width, hint.height}),
              (std::vector<int>{0, 10, 5, 740, 30}));
    EXPECT_EQ(hint.text, u"Double click on a device to view details.");
    const SimControl& devices = simWindow.controls[1];
    EXPECT_EQ((std::vector<int>{devices.id, devices.x, devices.y, devices.width, devices.height}),
              (std::vector<int>{1, 10, 20, 740, 262}));
    EXPECT_EQ(columnTitles(devices),
              (std::vector<std::u16string>{u"Bus/50", u"Device/50", u"Funcion/54",
                                           u"Company ID/50", u"Device ID/60", u"Revision/70",
                                           u"SubSystem/80", u"Class/60", u"IRQ/40",
                                           u"Device Type/200"}));
    const SimControl& details = simWindow.controls[2];
    EXPECT_EQ((std::vector<int>{details.id, details.x, details.y, details.width, details.height}),
              (std::vector<int>{2, 10, 287, 740, 221}));
    EXPECT_EQ(columnTitles(details), (std::vector<std::u16string>{u"Element/250", u"Data/460"}));
    EXPECT_TRUE(simWindow.shutDown);
    // The window system comes up before the window, the driver after it.
    EXPECT_EQ(simMachine.calls[0], "InitCommonControlsEx");
    EXPECT_EQ(simMachine.calls[1], "CreateWindowExW(PCI devices)");
}

TEST_F(ProgramFlow, RowsInTableOrderWithTheirTexts) {
    load("edge-cases.dump");
    simWindow.script = {{SimEvent::closeRequest}};
    EXPECT_EQ(runProgram(), 0);
    const SimControl* devices = simControlById(deviceListId);
    ASSERT_NE(devices, nullptr);
    ASSERT_EQ(devices->rows.size(), 10u);
    EXPECT_EQ(devices->rows[6],
              (std::vector<std::u16string>{u"0", u"5", u"0", u"1234h", u"5678h", u"01h",
                                           u"12340001h", u"030000h", u"11",
                                           u"PC Compatible VGA Display Controller"}));
    EXPECT_EQ(devices->rows[7][6], u"00000000h");
    EXPECT_EQ(devices->rows[2][8], u"255");
    EXPECT_EQ(devices->rows[7][9], u"Not available");
    EXPECT_EQ(devices->rows[9][0], u"255");
    EXPECT_EQ(devices->selectedRow, -1);
    EXPECT_TRUE(simControlById(detailListId)->rows.empty());
    // The hardware phase is over before the first row is added.
    EXPECT_EQ(simOpenHandleCount(), 0);
    EXPECT_TRUE(simMachine.services.empty());
}

TEST_F(ProgramFlow, DeviceRowTextJoinsTheCellsWithLineFeeds) {
    DeviceRecord record;
    record.busNumber = u"0";
    record.deviceNumber = u"2";
    record.functionNumber = u"0";
    record.companyCode = u"1234";
    record.deviceCode = u"5678";
    record.revisionCode = u"01";
    record.subsystemCompanyCode = u"1234";
    record.subsystemDeviceCode = u"0001";
    record.classCode = u"030000";
    record.irqCode = u"11";
    record.deviceType = u"Video";
    EXPECT_EQ(deviceRowText(record),
              u"0\n2\n0\n1234h\n5678h\n01h\n12340001h\n030000h\n11\nVideo");
}

TEST_F(ProgramFlow, OnlyDeviceListEventsRefreshTheDetails) {
    load("live-vm.dump");
    simWindow.script = {
        {SimEvent::other},
        {SimEvent::control, detailListId},     // the detail list's own events
        {SimEvent::control, hintTextId},
        {SimEvent::control, deviceListId},     // nothing selected yet: nothing shown
        {SimEvent::select, deviceListId, 2},
        {SimEvent::select, detailListId, 0},
        {SimEvent::control, deviceListId},     // same row again: rebuilt, not doubled
        {SimEvent::clearSelection, deviceListId},  // selection lost: details stay
        {SimEvent::select, deviceListId, 3},
        {SimEvent::closeRequest},
        {SimEvent::select, deviceListId, 4},   // never served: the loop has ended
    };
    EXPECT_EQ(runProgram(), 0);
    EXPECT_FALSE(simWindow.scriptRanOut);
    EXPECT_EQ(simWindow.nextEvent, 10u);
    EXPECT_EQ(displayed("CLEAR"), (std::vector<std::string>{"CLEAR 2", "CLEAR 2", "CLEAR 2"}));
    const SimControl* details = simControlById(detailListId);
    ASSERT_EQ(details->rows.size(), 14u);
    EXPECT_EQ(details->rows[0], (std::vector<std::u16string>{u"Bus Number", u"0"}));
    EXPECT_EQ(details->rows[1], (std::vector<std::u16string>{u"Device Number", u"3"}));
    EXPECT_EQ(displayed("ROW 2").size(), 3u * 14);
}

struct FailureCase {
    const char* name;
    void (*inject)();
};

const FailureCase startFailures[] = {
    {"NoAdministratorRights", [] { simMachine.faults.managerOpenFails = true; }},
    {"Windows98", [] { simMachine.version = {4, 10, 1998, 1}; }},
    {"DeviceNeverOpens", [] { simMachine.faults.deviceNeverOpens = true; }},
};

class ProgramFlowFailure : public ProgramFlow, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ProgramFlowFailure, EmptyListsAndExitCodeZero) {
    load("live-vm.dump");
    GetParam().inject();
    simWindow.script = {{SimEvent::control, deviceListId}, {SimEvent::closeRequest}};
    EXPECT_EQ(runProgram(), 0);
    EXPECT_EQ(simWindow.messages.size(), 1u);
    EXPECT_TRUE(simControlById(deviceListId)->rows.empty());
    EXPECT_TRUE(simControlById(detailListId)->rows.empty());
    EXPECT_EQ(simControlById(deviceListId)->columns.size(), 10u);
    EXPECT_FALSE(simWindow.scriptRanOut);
    EXPECT_EQ(simOpenHandleCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Faults, ProgramFlowFailure, ::testing::ValuesIn(startFailures),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProgramFlow, WithoutMainWindowTheHardwarePhaseRunsAndTheProgramEnds) {
    load("live-vm.dump");
    simWindow.openMainFails = true;
    EXPECT_EQ(runProgram(), 0);
    EXPECT_TRUE(simWindow.controls.empty());
    EXPECT_EQ(simWindow.waits, 0);  // no event loop without a window
    EXPECT_TRUE(simWindow.display.empty());
    // The driver came up, the bus was scanned and the driver went away again.
    std::vector<std::string> calls = driverCalls();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "StartServiceW -> 1"), calls.end());
    EXPECT_EQ(calls.back(), "CloseServiceHandle(manager)");
    // Six single-function devices of 8 requests, 8186 empty slots of 16, one count.
    EXPECT_EQ(simMachine.deviceRequestCount, 6 * 8 + 8186 * 16 + 1);
    EXPECT_TRUE(simMachine.services.empty());
}

}  // namespace
