// The simulated machine behind the operating-system seam: PCI configuration
// space, the WinRing0 driver as the program relies on it, a service manager,
// files of a program folder on the real file system, and fault injection for
// every failure the program handles. Tests reset it, set it up, run code of
// the program and then look at its state and its call log.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "hw/os.h"

// Windows values the simulated machine gives.
constexpr std::uint16_t simArchitectureX86 = 0;
constexpr std::uint16_t simArchitectureAmd64 = 9;
constexpr std::uint16_t simArchitectureArm64 = 12;
constexpr std::uint32_t simErrorFileNotFound = 2;
constexpr std::uint32_t simErrorAccessDenied = 5;
constexpr std::uint32_t simErrorInvalidHandle = 6;
constexpr std::uint32_t simErrorGenFailure = 31;
constexpr std::uint32_t simErrorSharingViolation = 32;
constexpr std::uint32_t simErrorInvalidParameter = 87;
constexpr std::uint32_t simErrorServiceDoesNotExist = 1060;
constexpr std::uint32_t simErrorServiceNotActive = 1062;
constexpr std::uint32_t simErrorServiceMarkedForDelete = 1072;
constexpr std::uint32_t simErrorServiceExists = 1073;
constexpr std::uint32_t simErrorDriverFailedToLoad = 1275;

constexpr std::size_t simFunctionSpaceSize = 4096;
constexpr std::size_t simAddressCount = 65536;  // bus << 8 | device << 3 | function

using SimFunctionSpace = std::array<std::uint8_t, simFunctionSpaceSize>;

// Configuration space of domain 0, indexed by ConfigAddress. A null entry is
// an absent function, which answers with all-ones bytes.
struct SimConfigSpace {
    std::vector<std::unique_ptr<SimFunctionSpace>> functions =
        std::vector<std::unique_ptr<SimFunctionSpace>>(simAddressCount);
};

struct SimService {
    std::u16string displayName;
    std::u16string binaryPath;
    std::uint32_t serviceType = 0;
    std::uint32_t startType = 0;
    std::uint32_t errorControl = 0;
    bool running = false;
    bool markedForDeletion = false;
    int openHandles = 0;
};

enum class SimHandleKind { device, file, manager, service };

struct SimHandle {
    SimHandleKind kind;
    std::u16string serviceName;  // for service handles
    int fileDescriptor = -1;     // for file handles
    std::uint64_t fileBytesRead = 0;
};

// One configuration read request as the driver received it.
struct SimReadRequest {
    std::uint32_t address;
    std::uint32_t offset;
    std::uint32_t size;
};

struct SimFaults {
    bool managerOpenFails = false;     // OpenSCManagerW gives 0: no administrator rights
    bool createServiceFails = false;   // CreateServiceW gives 0
    bool startServiceFails = false;    // StartServiceW fails although the driver file exists
    bool deviceNeverOpens = false;     // the device does not open even while its driver runs
    bool stopServiceFails = false;     // ControlService(SERVICE_CONTROL_STOP) fails
    bool deleteServiceFails = false;   // DeleteService fails
    bool allReadsFail = false;         // every configuration read request fails
    // Read requests (address, offset) that fail.
    std::set<std::pair<std::uint32_t, std::uint32_t>> failingReads;
    std::uint32_t readErrorCode = simErrorGenFailure;
    // When >= 0, the driver reports success for a read but writes only this many bytes.
    int readBytesWritten = -1;
    bool refCountFails = false;        // the count request fails
    bool refCountOverridden = false;   // the count request answers refCountValue
    std::int32_t refCountValue = 0;
    bool refCountWritesNothing = false;  // the count request succeeds but writes no byte
    bool versionQueryFails = false;    // GetVersionExA fails
    // The allocation with this number (0 = the next one) fails; -1: none does.
    long allocationFailsAt = -1;
    // Paths of files that another program holds open for writing.
    std::set<std::string> filesHeldForWriting;
    // When >= 0, a file read fails once this many bytes of the file have been read.
    long long fileReadFailsAfter = -1;
};

struct SimMachine {
    SimConfigSpace config;
    std::map<std::u16string, SimService> services;
    std::map<OsHandle, SimHandle> handles;  // open handles
    OsHandle nextHandle = 0x100;
    std::uint32_t lastError = 0;

    std::uint16_t architecture = simArchitectureAmd64;
    OsVersionInfo version = {10, 0, 19045, 2};  // Windows 10, NT platform
    std::u16string moduleFileName;               // the program's full file name
    int otherProgramDeviceHandles = 0;           // handles other programs hold on the device
    SimFaults faults;

    // Call log: one entry per seam call, for asserting exact sequences.
    // Configuration reads are logged only into `reads`, when `logReads` is set.
    std::vector<std::string> calls;
    bool logReads = false;
    std::vector<SimReadRequest> reads;
    bool logFileReads = false;  // also log ReadFile calls in `calls`
    long allocationCount = 0;
    long sleepCount = 0;
    long deviceRequestCount = 0;  // every DeviceIoControl that reached the driver
};

extern SimMachine simMachine;

// Back to a fresh machine: no functions, no services, no handles, no faults,
// Windows 10 on x64, an empty call log, and `moduleFileName` empty.
void resetSimMachine();

// The device the driver creates, and the driver's device type for its codes.
extern const std::u16string simDevicePath;

// Installs a service as another program would have (not logged).
void simAddService(const std::u16string& name, const std::u16string& binaryPath, bool running);
bool simDeviceAvailable();  // a WinRing0 driver is running and the device would open
int simOpenDeviceHandles();  // the device handles this program holds open
int simOpenHandleCount();    // every handle of any kind this program holds open

// Configuration space.
void simSetConfigByte(std::uint32_t address, std::uint32_t offset, std::uint8_t value);
void simSetConfigDword(std::uint32_t address, std::uint32_t offset, std::uint32_t value);
void simAddFunction(std::uint32_t address);  // present, all bytes 0 until set
// Loads a pciutils hex dump (the text `lspci -xxx` prints and `lspci -F`
// reads). Functions outside domain 0 are left out. False with `error` set
// when the text is not such a dump.
bool simLoadPciDump(const std::string& text, SimConfigSpace& space, std::string& error);
bool simLoadPciDumpFile(const std::string& path, SimConfigSpace& space, std::string& error);
// Loads /sys/bus/pci/devices/*/config under `sysfsRoot` (normally "/sys/bus/pci/devices").
bool simLoadSysfs(const std::string& sysfsRoot, SimConfigSpace& space, std::string& error);

// Files: the simulated program's folder lies on the real file system.
// Used by osCreateFile for every path other than the device's.
OsHandle simOpenFile(const std::u16string& path, std::uint32_t access, std::uint32_t shareMode,
                     std::uint32_t creationDisposition, std::uint32_t flagsAndAttributes);
// Decoding and upper-case mapping as Windows does them with code page 1252.
std::u16string simDecodeWindows1252(const char* bytes, std::size_t size);
void simUpperCase(std::u16string& text);

// UTF-8 conversions for paths and logs.
std::string simUtf8(const std::u16string& text);
std::u16string simUtf16(const std::string& text);
