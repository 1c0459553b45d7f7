// The operating-system seam over the real Windows functions. Every parameter
// is passed through as the caller chose it; this file only converts types.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <climits>
#include <cstring>
#include <vector>

#include "hw/os.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 code units on both sides");
static_assert(sizeof(DWORD) == sizeof(std::uint32_t), "DWORD is 32 bits");
static_assert(sizeof(SERVICE_STATUS) == sizeof(OsServiceStatus), "same SERVICE_STATUS layout");
static_assert(sizeof(OSVERSIONINFOA) == 148, "OSVERSIONINFOA is 148 bytes");

namespace {

const wchar_t* wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

HANDLE toHandle(OsHandle handle) {
    return reinterpret_cast<HANDLE>(handle);
}

SC_HANDLE toServiceHandle(OsHandle handle) {
    return reinterpret_cast<SC_HANDLE>(handle);
}

template <typename Pointer>
OsHandle fromPointer(Pointer pointer) {
    return reinterpret_cast<OsHandle>(pointer);
}

// The largest piece of a line handed to MultiByteToWideChar at once; only a
// line longer than INT_MAX bytes is decoded in pieces.
constexpr std::size_t decodePiece = std::size_t(1) << 30;

// The end of a piece of at most `limit` bytes from `bytes` that does not cut
// a character of the ANSI code page in two.
std::size_t pieceEnd(const unsigned char* bytes, std::size_t size, std::size_t limit) {
    if (size <= limit) {
        return size;
    }
    CPINFO info{};
    if (!GetCPInfo(CP_ACP, &info) || info.MaxCharSize <= 1) {
        return limit;
    }
    if (GetACP() == CP_UTF8) {
        std::size_t end = limit;
        // Step back over continuation bytes to the start of the cut character.
        while (end > limit - 3 && (bytes[end] & 0xC0) == 0x80) {
            --end;
        }
        return end;
    }
    // A double-byte code page: trail bytes can look like lead bytes, so walk
    // the characters from the start of the piece.
    bool leadByte[256] = {};
    for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2) {
        for (int b = info.LeadByte[i]; b <= info.LeadByte[i + 1]; ++b) {
            leadByte[b] = true;
        }
    }
    std::size_t end = 0;
    while (true) {
        std::size_t next = end + (leadByte[bytes[end]] ? 2 : 1);
        if (next > limit) {
            return end == 0 ? limit : end;
        }
        end = next;
    }
}

// Decodes at most INT_MAX bytes in one call and appends the text.
void decodeAppend(const char* bytes, int size, std::u16string& text) {
    int length = MultiByteToWideChar(CP_ACP, 0, bytes, size, nullptr, 0);
    if (length <= 0) {
        return;
    }
    std::size_t start = text.size();
    text.resize(start + static_cast<std::size_t>(length));
    int written = MultiByteToWideChar(CP_ACP, 0, bytes, size,
                                      reinterpret_cast<wchar_t*>(&text[start]), length);
    text.resize(start + static_cast<std::size_t>(written > 0 ? written : 0));
}

}  // namespace

OsHandle osCreateFile(const std::u16string& path, std::uint32_t access, std::uint32_t shareMode,
                      std::uint32_t creationDisposition, std::uint32_t flagsAndAttributes) {
    return fromPointer(CreateFileW(wide(path), access, shareMode, nullptr, creationDisposition,
                                   flagsAndAttributes, nullptr));
}

bool osDeviceIoControl(OsHandle device, std::uint32_t controlCode, const void* input,
                       std::uint32_t inputSize, void* output, std::uint32_t outputSize,
                       std::uint32_t* bytesReturned) {
    // Without an overlapped record Windows needs somewhere to write the count.
    DWORD returned = 0;
    BOOL ok = DeviceIoControl(toHandle(device), controlCode, const_cast<void*>(input), inputSize,
                              output, outputSize, &returned, nullptr);
    if (bytesReturned != nullptr) {
        *bytesReturned = returned;
    }
    return ok != FALSE;
}

std::uint32_t osGetLastError() {
    return GetLastError();
}

bool osCloseHandle(OsHandle handle) {
    return CloseHandle(toHandle(handle)) != FALSE;
}

bool osReadFile(OsHandle file, void* buffer, std::uint32_t size, std::uint32_t* bytesRead) {
    DWORD read = 0;
    BOOL ok = ReadFile(toHandle(file), buffer, size, &read, nullptr);
    if (bytesRead != nullptr) {
        *bytesRead = read;
    }
    return ok != FALSE;
}

OsHandle osOpenSCManager(std::uint32_t access) {
    return fromPointer(OpenSCManagerW(nullptr, nullptr, access));
}

OsHandle osOpenService(OsHandle manager, const std::u16string& serviceName, std::uint32_t access) {
    return fromPointer(OpenServiceW(toServiceHandle(manager), wide(serviceName), access));
}

int osControlService(OsHandle service, std::uint32_t control, OsServiceStatus* status) {
    SERVICE_STATUS record{};
    if (status != nullptr) {
        std::memcpy(&record, status, sizeof record);
    }
    BOOL ok = ControlService(toServiceHandle(service), control, &record);
    if (status != nullptr) {
        std::memcpy(status, &record, sizeof record);
    }
    return ok;
}

int osDeleteService(OsHandle service) {
    return DeleteService(toServiceHandle(service));
}

OsHandle osCreateService(OsHandle manager, const std::u16string& serviceName,
                         const std::u16string& displayName, std::uint32_t access,
                         std::uint32_t serviceType, std::uint32_t startType,
                         std::uint32_t errorControl, const std::u16string& binaryPath) {
    return fromPointer(CreateServiceW(toServiceHandle(manager), wide(serviceName),
                                      wide(displayName), access, serviceType, startType,
                                      errorControl, wide(binaryPath), nullptr, nullptr, nullptr,
                                      nullptr, nullptr));
}

int osStartService(OsHandle service) {
    return StartServiceW(toServiceHandle(service), 0, nullptr);
}

int osCloseServiceHandle(OsHandle handle) {
    return CloseServiceHandle(toServiceHandle(handle));
}

std::uint16_t osNativeProcessorArchitecture() {
    SYSTEM_INFO info{};
    GetNativeSystemInfo(&info);
    return info.wProcessorArchitecture;
}

bool osGetVersion(OsVersionInfo* info) {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = 148;
    if (!GetVersionExA(&version)) {
        return false;
    }
    info->majorVersion = version.dwMajorVersion;
    info->minorVersion = version.dwMinorVersion;
    info->buildNumber = version.dwBuildNumber;
    info->platformId = version.dwPlatformId;
    return true;
}

std::u16string osModuleFileName(std::uint32_t capacity) {
    std::vector<wchar_t> buffer(capacity + std::size_t(1), L'\0');
    DWORD length = GetModuleFileNameW(nullptr, buffer.data(), capacity);
    if (length > capacity) {
        length = capacity;
    }
    // A cut name ends with a NUL inside the buffer on newer systems and
    // without one on older ones: keep what comes before the first NUL.
    std::size_t end = 0;
    while (end < length && buffer[end] != L'\0') {
        ++end;
    }
    return std::u16string(reinterpret_cast<const char16_t*>(buffer.data()), end);
}

void osSleep(std::uint32_t milliseconds) {
    Sleep(milliseconds);
}

std::u16string osDecodeAnsi(const char* bytes, std::size_t size) {
    std::u16string text;
    if (size <= static_cast<std::size_t>(INT_MAX)) {
        if (size > 0) {
            decodeAppend(bytes, static_cast<int>(size), text);
        }
        return text;
    }
    const unsigned char* unsignedBytes = reinterpret_cast<const unsigned char*>(bytes);
    std::size_t done = 0;
    while (done < size) {
        std::size_t length = pieceEnd(unsignedBytes + done, size - done, decodePiece);
        decodeAppend(bytes + done, static_cast<int>(length), text);
        done += length;
    }
    return text;
}

void osUpperCase(std::u16string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        std::size_t length = text.size() - done;
        if (length > MAXDWORD) {
            length = std::size_t(1) << 30;
            // Keep a surrogate pair together in one call.
            if (text[done + length - 1] >= 0xD800 && text[done + length - 1] <= 0xDBFF) {
                --length;
            }
        }
        CharUpperBuffW(reinterpret_cast<wchar_t*>(&text[done]), static_cast<DWORD>(length));
        done += length;
    }
}

void* osAllocate(std::size_t size) {
    return HeapAlloc(GetProcessHeap(), 0, size);
}

void osFree(void* block) {
    if (block != nullptr) {
        HeapFree(GetProcessHeap(), 0, block);
    }
}
