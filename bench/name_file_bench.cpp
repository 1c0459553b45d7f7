// The name file lookup for a key that is absent from a 2 MiB name file, beside
// a plain memchr line scan of the same file. Both read the file through the
// same file seam, 4096 bytes at a time, so the ratio shows what the line
// handling costs over finding the line ends alone.
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "inventory/device_name_file.h"
#include "sim/sim_machine.h"

namespace {

constexpr std::size_t fileSize = std::size_t(2) << 20;
constexpr int rounds = 101;

// Lines as in a name file made from pci.ids: key, blank, chip, TAB, name, CR LF.
std::string realisticNameFile() {
    static const char* const words[] = {
        "Controller", "Bridge", "PCI", "Express", "Root", "Port", "USB", "3.0", "xHCI",
        "Host", "SATA", "AHCI", "Ethernet", "Gigabit", "Network", "Connection", "Audio",
        "Graphics", "GeForce", "Radeon", "Series", "Family", "Chipset", "LPC", "SMBus",
        "Thermal", "Subsystem", "Wireless", "Adapter", "NVMe", "SSD", "(rev", "Core", "Xeon"};
    static const char* const chips[] = {"Not available", "Not available", "Not available",
                                        "Not available", "G98M", "ICH9", "RTL8111", "Navi 10"};
    std::uint32_t seed = 12345;
    auto next = [&seed](std::uint32_t count) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % count;
    };
    std::string bytes =
        "# pcinames.txt: device and chip names, one line per PCI device.\r\n"
        "# Line layout: vendor ID and device ID, a blank, the chip, a TAB, the name.\r\n";
    std::uint32_t vendor = 0x1000;
    std::uint32_t device = 0;
    char key[16];
    while (bytes.size() < fileSize) {
        if (next(40) == 0) {
            vendor += 1 + next(64);
            device = 0;
        }
        device += 1 + next(16);
        std::snprintf(key, sizeof key, "%04X%04X ", vendor & 0xFFFF, device & 0xFFFF);
        std::string line = key;
        line += chips[next(std::size(chips))];
        line += '\t';
        std::uint32_t wordCount = 2 + next(6);
        for (std::uint32_t i = 0; i < wordCount; ++i) {
            line += i == 0 ? "" : " ";
            line += words[next(std::size(words))];
        }
        bytes += line + "\r\n";
    }
    bytes.resize(bytes.rfind('\n', fileSize - 1) + 1);
    return bytes;
}

// Counts the lines with memchr, reading as the lookup does.
long memchrLineScan(const std::u16string& path) {
    OsHandle file = osCreateFile(path, osGenericRead, osFileShareRead, osOpenExisting,
                                 osFileAttributeNormal);
    if (file == osInvalidHandle) {
        return -1;
    }
    char buffer[4096];
    long lines = 0;
    std::uint32_t got = 0;
    while (osReadFile(file, buffer, sizeof buffer, &got) && got > 0) {
        const char* at = buffer;
        const char* end = buffer + got;
        while ((at = static_cast<const char*>(std::memchr(at, '\n', end - at))) != nullptr) {
            ++lines;
            ++at;
        }
    }
    osCloseHandle(file);
    return lines;
}

double milliseconds(std::chrono::steady_clock::duration time) {
    return std::chrono::duration<double, std::milli>(time).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main() {
    char pattern[] = "/tmp/pcilist-name-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string folder = pattern;
    const std::string names = folder + "/pcinames.txt";
    const std::string bytes = realisticNameFile();
    std::ofstream(names, std::ios::binary) << bytes;

    resetSimMachine();
    simMachine.moduleFileName = simUtf16(folder + "/pcilist.exe");
    const std::u16string path = simUtf16(names);

    using Clock = std::chrono::steady_clock;
    std::vector<double> lookupTimes;
    std::vector<double> scanTimes;
    int failures = 0;
    for (int round = -3; round < rounds; ++round) {  // three rounds to warm up
        std::u16string chip;
        std::u16string name;
        Clock::time_point start = Clock::now();
        int status = lookupDeviceName(u"FFFF0000", chip, name);
        Clock::time_point between = Clock::now();
        long lines = memchrLineScan(path);
        Clock::time_point end = Clock::now();
        if (status != 2 || lines <= 0) {
            ++failures;
        }
        if (round >= 0) {
            lookupTimes.push_back(milliseconds(between - start));
            scanTimes.push_back(milliseconds(end - between));
        }
    }
    unlink(names.c_str());
    rmdir(folder.c_str());
    if (failures != 0) {
        std::printf("the lookup or the scan went wrong in %d rounds\n", failures);
        return 1;
    }

    double lookup = median(lookupTimes);
    double scan = median(scanTimes);
    double ratio = lookup / scan;
    std::printf("name file: %zu bytes, %ld lines, absent key, median of %d rounds\n",
                bytes.size(), static_cast<long>(std::count(bytes.begin(), bytes.end(), '\n')),
                rounds);
    std::printf("lookupDeviceName:  %.3f ms\n", lookup);
    std::printf("memchr line scan:  %.3f ms\n", scan);
    std::printf("ratio: %.2f (goal <= 1.5: %s)\n", ratio, ratio <= 1.5 ? "met" : "missed");
    return 0;
}
