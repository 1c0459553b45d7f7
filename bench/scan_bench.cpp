// The scan's own cost: a full scan of an empty simulated machine (65,536
// addresses, 131,072 requests) beside a bare loop that sends the same
// requests to the same simulated driver, measured side by side.
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "hw/driver_access.h"
#include "hw/os.h"
#include "inventory/device_table.h"
#include "inventory/pci_scan.h"
#include "sim/sim_machine.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsOf(void (*work)()) {
    Clock::time_point start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void fullScan() {
    makeDeviceTable(deviceTable, 2);
    scanPciBus();
    releaseDeviceTable(deviceTable);
}

// The same requests in the same order, with nothing around them.
void bareLoop() {
    OsHandle device = static_cast<OsHandle>(driverChannel.handle);
    for (std::uint32_t address = 0; address < 65536; ++address) {
        std::uint8_t request[8] = {static_cast<std::uint8_t>(address),
                                   static_cast<std::uint8_t>(address >> 8), 0, 0, 0, 0, 0, 0};
        std::uint8_t answer[4] = {0, 0, 0, 0};
        std::uint32_t returned = 0;
        osDeviceIoControl(device, readConfigCode, request, 8, answer, 4, &returned);
        request[4] = 0x0E;
        osDeviceIoControl(device, readConfigCode, request, 8, answer, 2, &returned);
    }
}

}  // namespace

int main() {
    resetSimMachine();
    serviceName = u"WinRing0_1_2_0";
    devicePath = u"\\\\.\\WinRing0_1_2_0";
    simAddService(serviceName, u"WinRing0x64.sys", true);
    openDriverChannel();

    const int rounds = 15;
    double scanBest = 1e9;
    double loopBest = 1e9;
    for (int round = 0; round < rounds; ++round) {
        loopBest = std::min(loopBest, secondsOf(bareLoop));
        scanBest = std::min(scanBest, secondsOf(fullScan));
    }
    std::printf("requests per run: %ld\n", simMachine.deviceRequestCount / (2L * rounds));
    std::printf("bare request loop: %.3f ms\n", loopBest * 1e3);
    std::printf("full scan:         %.3f ms\n", scanBest * 1e3);
    std::printf("scan overhead ratio: %.3f\n", scanBest / loopBest);
    closeDriverChannel();
    return 0;
}
