// The channel to the WinRing0 driver: bringing its service up, configuration
// reads, and taking the service down again when no one else uses it.
#pragma once

#include <cstdint>
#include <string>

// Set once at start-up by the program flow, before anything else.
extern std::u16string serviceName;
extern std::u16string devicePath;

// The one channel to the driver. `handle` keeps the low 32 bits of the
// device handle: 0 not open, -1 the last open failed, else an open handle.
struct DriverChannel {
    std::int32_t handle = 0;
};
extern DriverChannel driverChannel;

// "WinRing0x64.sys" or "WinRing0.sys" once startDriver has chosen; empty before.
extern std::u16string driverFileName;

// The ConfigAddress bus << 8 | device << 3 | function, each masked to its width.
std::uint32_t makeConfigAddress(std::uint32_t bus, std::uint32_t device, std::uint32_t function);

std::uint32_t makeControlCode(std::uint32_t type, std::uint32_t function, std::uint32_t method,
                              std::uint32_t access);
extern const std::uint32_t readConfigCode;  // 0x9C406144
extern const std::uint32_t refCountCode;    // 0x9C402664

void startDriver();
void releaseDriver();

std::uint32_t readConfigDword(std::uint32_t address, std::uint32_t offset);
std::uint8_t readConfigByte(std::uint32_t address, std::uint32_t offset);
std::uint32_t readConfig(std::uint32_t address, std::uint32_t offset, void* buffer,
                         std::uint32_t size);
std::int32_t queryDriverRefCount(std::int32_t handle);

bool openDriverChannel();
void closeDriverChannel();
int openOrInstallDriver(const std::u16string& fileName);
int connectDriver();
int needs64BitDriver();
int installDriverService(const std::u16string& driverPath, const std::u16string& name);
int removeDriverService(const std::u16string& name);
