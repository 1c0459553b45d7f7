// The operating-system seam: every kernel, service-manager and file operation
// that the program needs, as plain procedures. Two implementations exist and
// one is chosen at link time: os_win32.cpp over the real Windows functions,
// and the simulated machine under sim/ for native builds and tests.
//
// The parameters mirror the Windows functions they stand for, so the exact
// access masks, sharing modes and flags are chosen by the callers and can be
// checked on the simulated machine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A kernel object or service-manager handle, as wide as a pointer.
// 0 means "no handle"; osInvalidHandle is INVALID_HANDLE_VALUE.
using OsHandle = std::intptr_t;
constexpr OsHandle osInvalidHandle = -1;

// Windows constants used through the seam.
constexpr std::uint32_t osGenericRead = 0x80000000u;
constexpr std::uint32_t osGenericWrite = 0x40000000u;
constexpr std::uint32_t osFileShareRead = 1;
constexpr std::uint32_t osFileShareWrite = 2;
constexpr std::uint32_t osOpenExisting = 3;
constexpr std::uint32_t osFileAttributeNormal = 0x80;

// SERVICE_STATUS, 28 bytes.
struct OsServiceStatus {
    std::uint32_t serviceType;
    std::uint32_t currentState;
    std::uint32_t controlsAccepted;
    std::uint32_t win32ExitCode;
    std::uint32_t serviceSpecificExitCode;
    std::uint32_t checkPoint;
    std::uint32_t waitHint;
};
static_assert(sizeof(OsServiceStatus) == 28, "SERVICE_STATUS is 28 bytes");

// The fields of OSVERSIONINFOA that the program reads.
struct OsVersionInfo {
    std::uint32_t majorVersion;
    std::uint32_t minorVersion;
    std::uint32_t buildNumber;
    std::uint32_t platformId;
};

// Kernel: device files, device I/O control, handles.
OsHandle osCreateFile(const std::u16string& path, std::uint32_t access, std::uint32_t shareMode,
                      std::uint32_t creationDisposition, std::uint32_t flagsAndAttributes);
bool osDeviceIoControl(OsHandle device, std::uint32_t controlCode, const void* input,
                       std::uint32_t inputSize, void* output, std::uint32_t outputSize,
                       std::uint32_t* bytesReturned);
std::uint32_t osGetLastError();
bool osCloseHandle(OsHandle handle);
bool osReadFile(OsHandle file, void* buffer, std::uint32_t size, std::uint32_t* bytesRead);

// Service Control Manager. Results are as the Windows functions give them.
OsHandle osOpenSCManager(std::uint32_t access);
OsHandle osOpenService(OsHandle manager, const std::u16string& serviceName, std::uint32_t access);
int osControlService(OsHandle service, std::uint32_t control, OsServiceStatus* status);
int osDeleteService(OsHandle service);
OsHandle osCreateService(OsHandle manager, const std::u16string& serviceName,
                         const std::u16string& displayName, std::uint32_t access,
                         std::uint32_t serviceType, std::uint32_t startType,
                         std::uint32_t errorControl, const std::u16string& binaryPath);
int osStartService(OsHandle service);
int osCloseServiceHandle(OsHandle handle);

// System information.
std::uint16_t osNativeProcessorArchitecture();  // wProcessorArchitecture of GetNativeSystemInfo
bool osGetVersion(OsVersionInfo* info);          // GetVersionExA with a 148-byte record
// GetModuleFileNameW for the program's own module into a buffer of `capacity`
// characters; the full file name, cut to what the buffer holds.
std::u16string osModuleFileName(std::uint32_t capacity);
void osSleep(std::uint32_t milliseconds);

// Text: decoding with the ANSI code page (MultiByteToWideChar, CP_ACP) and
// the system's upper-case mapping (CharUpperW), in place.
std::u16string osDecodeAnsi(const char* bytes, std::size_t size);
void osUpperCase(std::u16string& text);

// Memory that may fail to be had; null on failure.
void* osAllocate(std::size_t size);
void osFree(void* block);
