// The file side of the simulated machine: files of the simulated program's
// folder lie on the real file system and are opened, read and decoded as
// Windows would do it with the ANSI code page 1252. Only what the program
// does is supported: opening an existing file for reading.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>

#include "sim/sim_machine.h"

namespace {

// Windows takes "\" and "/" alike as separators.
std::string hostPath(const std::string& windowsPath) {
    std::string path = windowsPath;
    for (char& c : path) {
        if (c == '\\') {
            c = '/';
        }
    }
    return path;
}

OsHandle openFails(std::uint32_t error) {
    simMachine.lastError = error;
    return osInvalidHandle;
}

// Code page 1252 at 0x80 to 0x9F; every other byte is its own code point.
// The five bytes the code page leaves undefined decode to the C1 controls of
// the same value, as MultiByteToWideChar does it.
constexpr char16_t windows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t upperCaseOf(char16_t c) {
    if (c >= u'a' && c <= u'z') {
        return static_cast<char16_t>(c - 0x20);
    }
    if (c >= 0x00E0 && c <= 0x00FE && c != 0x00F7) {  // a grave to thorn, not the division sign
        return static_cast<char16_t>(c - 0x20);
    }
    switch (c) {
        case 0x00FF: return 0x0178;  // y diaeresis
        case 0x0153: return 0x0152;  // oe
        case 0x0161: return 0x0160;  // s caron
        case 0x017E: return 0x017D;  // z caron
        case 0x0192: return 0x0191;  // f hook
        default: return c;  // the micro sign, sharp s and everything else stay
    }
}

}  // namespace

OsHandle simOpenFile(const std::u16string& path, std::uint32_t access, std::uint32_t shareMode,
                     std::uint32_t creationDisposition, std::uint32_t flagsAndAttributes) {
    (void)flagsAndAttributes;
    std::string name = simUtf8(path);
    simMachine.calls.push_back("CreateFileW(" + name + ")");
    std::string host = hostPath(name);

    if (creationDisposition != osOpenExisting) {
        return openFails(simErrorInvalidParameter);  // the simulated machine never creates files
    }
    if ((access & osGenericWrite) != 0) {
        return openFails(simErrorAccessDenied);  // the program's folder is read-only to it
    }
    bool heldForWriting = simMachine.faults.filesHeldForWriting.count(name) != 0 ||
                          simMachine.faults.filesHeldForWriting.count(host) != 0;
    if (heldForWriting && (shareMode & osFileShareWrite) == 0) {
        return openFails(simErrorSharingViolation);
    }

    int descriptor = ::open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (descriptor < 0) {
        bool missing = errno == ENOENT || errno == ENOTDIR || errno == ENAMETOOLONG ||
                       errno == ELOOP;
        return openFails(missing ? simErrorFileNotFound : simErrorAccessDenied);
    }
    struct stat status;
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);  // a folder or a device, which CreateFileW refuses here
        return openFails(simErrorAccessDenied);
    }

    SimHandle handle{};
    handle.kind = SimHandleKind::file;
    handle.fileDescriptor = descriptor;
    OsHandle id = simMachine.nextHandle;
    simMachine.nextHandle += 4;
    simMachine.handles[id] = handle;
    simMachine.lastError = 0;
    return id;
}

bool osReadFile(OsHandle file, void* buffer, std::uint32_t size, std::uint32_t* bytesRead) {
    if (bytesRead != nullptr) {
        *bytesRead = 0;
    }
    if (simMachine.logFileReads) {
        simMachine.calls.push_back("ReadFile(" + std::to_string(size) + ")");
    }
    auto found = simMachine.handles.find(file);
    if (found == simMachine.handles.end() || found->second.kind != SimHandleKind::file) {
        simMachine.lastError = simErrorInvalidHandle;
        return false;
    }
    SimHandle& handle = found->second;

    std::size_t wanted = size;
    long long failsAfter = simMachine.faults.fileReadFailsAfter;
    if (failsAfter >= 0) {
        std::uint64_t limit = static_cast<std::uint64_t>(failsAfter);
        if (handle.fileBytesRead >= limit) {
            simMachine.lastError = simErrorGenFailure;
            return false;
        }
        // Up to the failing point the file reads as usual.
        if (limit - handle.fileBytesRead < wanted) {
            wanted = static_cast<std::size_t>(limit - handle.fileBytesRead);
        }
    }

    ssize_t got;
    do {
        got = ::read(handle.fileDescriptor, buffer, wanted);
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
        simMachine.lastError = simErrorGenFailure;
        return false;
    }
    handle.fileBytesRead += static_cast<std::uint64_t>(got);
    if (bytesRead != nullptr) {
        *bytesRead = static_cast<std::uint32_t>(got);
    }
    return true;
}

std::u16string simDecodeWindows1252(const char* bytes, std::size_t size) {
    // Decoded into a plain array first: filling a text character by character
    // is slow in unoptimised test builds, and lines may hold many megabytes.
    std::unique_ptr<char16_t[]> decoded(new char16_t[size == 0 ? 1 : size]);
    const unsigned char* in = reinterpret_cast<const unsigned char*>(bytes);
    char16_t* out = decoded.get();
    for (std::size_t i = 0; i < size; ++i) {
        unsigned char byte = in[i];
        out[i] = byte >= 0x80 && byte <= 0x9F ? windows1252High[byte - 0x80] : char16_t{byte};
    }
    return std::u16string(decoded.get(), size);
}

// CharUpperW for every character that code page 1252 decodes to; other
// characters are left as they are.
void simUpperCase(std::u16string& text) {
    for (char16_t& c : text) {
        c = upperCaseOf(c);
    }
}

std::u16string osDecodeAnsi(const char* bytes, std::size_t size) {
    return simDecodeWindows1252(bytes, size);
}

void osUpperCase(std::u16string& text) {
    simUpperCase(text);
}
