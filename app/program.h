// The program flow: one pass from start-up through the hardware phase and
// the filling to the event loop and the shut-down.
#pragma once

#include <cstdint>
#include <string>

#include "app/window_layer.h"
#include "inventory/device_record.h"

// Control identifiers, handed back as the source of control events.
constexpr int hintTextId = 0;
constexpr int deviceListId = 1;
constexpr int detailListId = 2;

// The main window and its lists; 0 while not made.
extern WindowHandle mainWindow;
extern WindowHandle deviceList;
extern WindowHandle detailList;

// The number of records the scan found.
extern std::int32_t recordCount;

// Runs the whole program and returns its exit code, which is always 0.
int runProgram();

// Appends one device-list row per record, for indexes 0 to count - 1.
void fillDeviceList(std::int32_t count);

// The LF-separated row text of one record in the device list.
std::u16string deviceRowText(const DeviceRecord& record);

// Refills the detail list with the fourteen rows of the selected record.
void showDeviceDetails();
