#include "hw/driver_access.h"

#include <cstring>

#include "app/window_layer.h"
#include "hw/os.h"
#include "hw/program_folder.h"

std::u16string serviceName;
std::u16string devicePath;
DriverChannel driverChannel;
std::u16string driverFileName;

namespace {

constexpr std::uint32_t driverDeviceType = 40000;  // 0x9C40
constexpr std::uint32_t methodBuffered = 0;
constexpr std::uint32_t fileAnyAccess = 0;
constexpr std::uint32_t fileReadAccess = 1;

constexpr std::uint32_t managerAccess = 0xF000F;
constexpr std::uint32_t serviceAllAccess = 0xF01FF;
constexpr std::uint32_t serviceKernelDriver = 1;
constexpr std::uint32_t serviceDemandStart = 3;
constexpr std::uint32_t serviceErrorNormal = 1;
constexpr std::uint32_t serviceControlStop = 1;

constexpr std::uint32_t platformWin32Windows = 1;
constexpr std::uint16_t architectureIntel = 0;
constexpr int connectAttempts = 17;
constexpr std::uint32_t attemptPause = 100;

const std::u16string driverFile64 = u"WinRing0x64.sys";
const std::u16string driverFile32 = u"WinRing0.sys";

// The stored handle, widened again by sign extension.
OsHandle channelHandle(std::int32_t handle) {
    return static_cast<OsHandle>(handle);
}

std::uint32_t readLittleEndian32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

void writeLittleEndian32(std::uint8_t* bytes, std::uint32_t value) {
    bytes[0] = static_cast<std::uint8_t>(value);
    bytes[1] = static_cast<std::uint8_t>(value >> 8);
    bytes[2] = static_cast<std::uint8_t>(value >> 16);
    bytes[3] = static_cast<std::uint8_t>(value >> 24);
}

bool isRefusedWindowsVersion() {
    OsVersionInfo version = {};
    if (!osGetVersion(&version)) {
        return false;  // a failed query passes the gate
    }
    if (version.platformId != platformWin32Windows) {
        return false;
    }
    // Windows 95, 98 and ME.
    return version.minorVersion == 0 || version.minorVersion == 10 || version.minorVersion == 90;
}

}  // namespace

const std::uint32_t readConfigCode =
    makeControlCode(driverDeviceType, 0x851, methodBuffered, fileReadAccess);
const std::uint32_t refCountCode =
    makeControlCode(driverDeviceType, 0x999, methodBuffered, fileAnyAccess);

std::uint32_t makeConfigAddress(std::uint32_t bus, std::uint32_t device, std::uint32_t function) {
    return (bus & 0xFF) << 8 | (device & 0x1F) << 3 | (function & 0x7);
}

std::uint32_t makeControlCode(std::uint32_t type, std::uint32_t function, std::uint32_t method,
                              std::uint32_t access) {
    return type << 16 | access << 14 | function << 2 | method;
}

std::uint32_t readConfig(std::uint32_t address, std::uint32_t offset, void* buffer,
                         std::uint32_t size) {
    std::uint8_t request[8];
    writeLittleEndian32(request, address);
    writeLittleEndian32(request + 4, offset);
    std::uint32_t bytesReturned = 0;
    if (osDeviceIoControl(channelHandle(driverChannel.handle), readConfigCode, request,
                          sizeof request, buffer, size, &bytesReturned)) {
        return 0;
    }
    std::uint32_t error = osGetLastError();
    // A failure must never read as success, whatever the system reported.
    return error != 0 ? error : 1;
}

std::uint32_t readConfigDword(std::uint32_t address, std::uint32_t offset) {
    std::uint8_t buffer[4] = {0, 0, 0, 0};
    if (readConfig(address, offset, buffer, sizeof buffer) != 0) {
        return 0xFFFFFFFFu;
    }
    return readLittleEndian32(buffer);
}

std::uint8_t readConfigByte(std::uint32_t address, std::uint32_t offset) {
    // Always two bytes: the register at the offset and the one after it.
    std::uint8_t buffer[2] = {0, 0};
    if (readConfig(address, offset, buffer, sizeof buffer) != 0) {
        return 0xFF;
    }
    return buffer[0];
}

std::int32_t queryDriverRefCount(std::int32_t handle) {
    std::uint8_t result[4];
    writeLittleEndian32(result, 0xFFFFFFFFu);
    if (handle == 0) {
        return -1;
    }
    std::uint32_t bytesReturned = 0;
    if (!osDeviceIoControl(channelHandle(handle), refCountCode, nullptr, 0, result, sizeof result,
                           &bytesReturned)) {
        writeLittleEndian32(result, 0xFFFFFFFFu);
    }
    return static_cast<std::int32_t>(readLittleEndian32(result));
}

bool openDriverChannel() {
    OsHandle handle = osCreateFile(devicePath, osGenericRead | osGenericWrite,
                                   osFileShareRead | osFileShareWrite, osOpenExisting,
                                   osFileAttributeNormal);
    driverChannel.handle = static_cast<std::int32_t>(static_cast<std::uint32_t>(handle));
    return channelHandle(driverChannel.handle) != osInvalidHandle;
}

void closeDriverChannel() {
    if (driverChannel.handle != 0) {
        osCloseHandle(channelHandle(driverChannel.handle));
    }
    driverChannel.handle = 0;
}

int needs64BitDriver() {
    return osNativeProcessorArchitecture() == architectureIntel ? 0 : 1;
}

int installDriverService(const std::u16string& driverPath, const std::u16string& name) {
    OsHandle manager = osOpenSCManager(managerAccess);
    if (manager == 0) {
        return 0;
    }
    OsHandle existing = osOpenService(manager, name, serviceAllAccess);
    if (existing != 0) {
        OsServiceStatus status;
        std::memset(&status, 0, sizeof status);
        osControlService(existing, serviceControlStop, &status);
        osDeleteService(existing);
        osCloseServiceHandle(existing);
    }
    int result = 0;
    OsHandle service = osCreateService(manager, name, name, serviceAllAccess, serviceKernelDriver,
                                       serviceDemandStart, serviceErrorNormal, driverPath);
    if (service != 0) {
        result = osStartService(service);
        osCloseServiceHandle(service);
    }
    osCloseServiceHandle(manager);
    return result;
}

int removeDriverService(const std::u16string& name) {
    int result = 0;
    OsHandle manager = osOpenSCManager(managerAccess);
    if (manager == 0) {
        return 0;
    }
    OsHandle service = osOpenService(manager, name, serviceAllAccess);
    if (service == 0) {
        osCloseServiceHandle(manager);
        return 0;
    }
    OsServiceStatus status;
    std::memset(&status, 0, sizeof status);
    if (osControlService(service, serviceControlStop, &status) == 1) {
        result = osDeleteService(service);
    }
    osCloseServiceHandle(service);
    osCloseServiceHandle(manager);
    return result;
}

int openOrInstallDriver(const std::u16string& fileName) {
    if (openDriverChannel()) {
        return 0;
    }
    std::u16string driverPath = programFolder() + fileName;
    if (installDriverService(driverPath, serviceName) == 0) {
        return 2;
    }
    return openDriverChannel() ? 0 : 3;
}

int connectDriver() {
    for (int attempt = 0; attempt < connectAttempts; ++attempt) {
        if (openOrInstallDriver(driverFileName) == 0) {
            return 1;
        }
        osSleep(attemptPause);
    }
    windowShowMessage(u"RoVuvi - Error",
                      u"An  error  occured  when  opening  the  driver  " + driverFileName +
                          u" .\nThe  program  will  not  run  properly.");
    return 0;
}

void startDriver() {
    if (isRefusedWindowsVersion()) {
        windowShowMessage(u"Unsupported OS", u"Your OS is not supported.");
        return;
    }
    driverFileName = needs64BitDriver() == 1 ? driverFile64 : driverFile32;
    connectDriver();
}

void releaseDriver() {
    std::int32_t count = queryDriverRefCount(driverChannel.handle);
    closeDriverChannel();
    if (count == 1) {
        removeDriverService(serviceName);
    }
}
