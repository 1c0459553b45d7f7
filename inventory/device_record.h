// One PCI function as the ready-to-show texts of the device list and the
// detail view, in their fixed order. Written once by the scan, then only read.
#pragma once

#include <string>

struct DeviceRecord {
    std::u16string busNumber;
    std::u16string deviceNumber;
    std::u16string functionNumber;
    std::u16string companyCode;
    std::u16string companyName;
    std::u16string deviceCode;
    std::u16string deviceName;
    std::u16string revisionCode;
    std::u16string subsystemCompanyCode;
    std::u16string subsystemCompanyName;
    std::u16string subsystemDeviceCode;
    std::u16string classCode;
    std::u16string deviceType;
    std::u16string irqCode;
    std::u16string cacheLine;
    std::u16string latency;
    std::u16string header;
};

// The key of the name file and the chipset rules: companyCode + deviceCode.
inline std::u16string makeDeviceKey(const DeviceRecord& record) {
    return record.companyCode + record.deviceCode;
}
