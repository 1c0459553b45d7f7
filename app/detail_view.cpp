#include "app/program.h"
#include "inventory/device_table.h"

namespace {

std::u16string detailRow(const char16_t* label, const std::u16string& value) {
    return label + (u'\n' + value);
}

}  // namespace

void showDeviceDetails() {
    int selected = windowSelectedRow(deviceList);
    if (selected < 0 || selected >= deviceTable.count) {
        return;  // no selection: the detail list keeps what it shows
    }
    windowRemoveAllRows(detailList);
    const DeviceRecord& record = deviceTable.slots[selected];
    const std::u16string arrow = u"h  -> ";
    const std::u16string rows[] = {
        detailRow(u"Bus Number", record.busNumber),
        detailRow(u"Device Number", record.deviceNumber),
        detailRow(u"Function Number", record.functionNumber),
        detailRow(u"Company Code", record.companyCode + arrow + record.companyName),
        detailRow(u"Device Code", record.deviceCode + arrow + record.deviceName),
        detailRow(u"Revision Code", record.revisionCode + u"h"),
        detailRow(u"Subsystem's Company Code",
                  record.subsystemCompanyCode + arrow + record.subsystemCompanyName),
        detailRow(u"Subsystem's Device Code", record.subsystemDeviceCode + u"h"),
        detailRow(u"Class Code", record.classCode + u"h"),
        detailRow(u"IRQ Code", record.irqCode),
        detailRow(u"Cache Line", record.cacheLine + u"h"),
        detailRow(u"Latency", record.latency + u"h"),
        detailRow(u"Header", record.header + u"h"),
        detailRow(u"Device Type", record.deviceType),
    };
    for (const std::u16string& row : rows) {
        windowAppendRow(detailList, row);
    }
}
