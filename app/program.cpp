#include "app/program.h"

#include "hw/driver_access.h"
#include "inventory/device_table.h"
#include "inventory/pci_scan.h"

WindowHandle mainWindow = 0;
WindowHandle deviceList = 0;
WindowHandle detailList = 0;
std::int32_t recordCount = 0;

namespace {

struct ColumnSpec {
    const char16_t* title;
    int width;
};

// Column 0 comes with the list itself; the others are added in turn.
const ColumnSpec deviceColumns[] = {
    {u"Bus", 50},        {u"Device", 50},    {u"Funcion", 54},    {u"Company ID", 50},
    {u"Device ID", 60},  {u"Revision", 70},  {u"SubSystem", 80},  {u"Class", 60},
    {u"IRQ", 40},        {u"Device Type", 200},
};
const ColumnSpec detailColumns[] = {
    {u"Element", 250},
    {u"Data", 460},
};

template <std::size_t n>
WindowHandle makeList(int x, int y, int width, int height, int id, const ColumnSpec (&columns)[n]) {
    WindowHandle list = windowMakeReportList(mainWindow, x, y, width, height, id,
                                             columns[0].title, columns[0].width);
    for (std::size_t index = 1; index < n; ++index) {
        windowAddColumn(list, static_cast<int>(index), columns[index].title,
                        columns[index].width);
    }
    return list;
}

void openMainWindow() {
    mainWindow = windowOpenMain(u"PCI devices", 100, 200, 760, 535);
    if (mainWindow == 0) {
        return;  // no controls; the hardware phase still runs
    }
    windowMakeStaticText(mainWindow, 10, 5, 740, 30, hintTextId,
                         u"Double click on a device to view details.");
    deviceList = makeList(10, 20, 740, 262, deviceListId, deviceColumns);
    detailList = makeList(10, 287, 740, 221, detailListId, detailColumns);
}

void runEventLoop() {
    for (;;) {
        WindowEvent event = windowWaitEvent();
        if (event.kind == WindowEventKind::closeRequest) {
            return;
        }
        if (event.kind == WindowEventKind::control && event.sourceId == deviceListId) {
            showDeviceDetails();
        }
    }
}

void resetProgramState() {
    mainWindow = 0;
    deviceList = 0;
    detailList = 0;
    recordCount = 0;
    driverChannel.handle = 0;
    driverFileName.clear();
}

}  // namespace

std::u16string deviceRowText(const DeviceRecord& record) {
    const char16_t lf = u'\n';
    return record.busNumber + lf + record.deviceNumber + lf + record.functionNumber + lf +
           record.companyCode + u"h" + lf + record.deviceCode + u"h" + lf + record.revisionCode +
           u"h" + lf + record.subsystemCompanyCode + record.subsystemDeviceCode + u"h" + lf +
           record.classCode + u"h" + lf + record.irqCode + lf + record.deviceType;
}

void fillDeviceList(std::int32_t count) {
    if (deviceList == 0) {
        return;  // the window could not be opened
    }
    for (std::int32_t index = 0; index < count; ++index) {
        windowAppendRow(deviceList, deviceRowText(deviceTable.slots[index]));
    }
}

int runProgram() {
    resetProgramState();
    windowInitialise();
    serviceName = u"WinRing0_1_2_0";
    devicePath = u"\\\\.\\WinRing0_1_2_0";
    makeDeviceTable(deviceTable, 2);
    probeBounds = ProbeBounds{256, 32, 8};
    openMainWindow();

    startDriver();
    recordCount = scanPciBus();
    releaseDriver();
    fillDeviceList(recordCount);

    // Without a main window no close request can ever come: end here.
    if (mainWindow != 0) {
        runEventLoop();
    }
    windowShutDown(mainWindow);
    releaseDeviceTable(deviceTable);
    resetProgramState();
    return 0;
}
