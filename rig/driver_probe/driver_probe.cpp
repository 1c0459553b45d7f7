// A console client of the WinRing0 device and its service, for the Wine rig:
// it brings the stand-in driver up and down the way the program does, reads
// configuration space through it, times the requests, holds the device open
// on behalf of "another program", and tells whether the service is registered.
//
//   driver_probe install          create and start the service from WinRing0x64.sys beside it
//   driver_probe remove           stop and delete the service
//   driver_probe service          SERVICE absent | SERVICE present state=N
//   driver_probe read B D F OFF [SIZE]   one read request, prints the bytes
//   driver_probe count            the reference count, with this probe's own handle open
//   driver_probe scan             the vendor/device dword of every present function
//   driver_probe bench N          N read requests, prints the cost of one
//   driver_probe hold FILE        keeps the device open until FILE exists (writes FILE.ready)
//   driver_probe install-hold FILE   install, then hold, in one process (Wine keeps the
//                                 driver only while some program of the prefix runs)
//   driver_probe selftest         install, reads, count, close, remove, with checks
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

const wchar_t* const serviceName = L"WinRing0_1_2_0";
const wchar_t* const devicePath = L"\\\\.\\WinRing0_1_2_0";
const DWORD readConfigCode = 0x9C406144;
const DWORD refCountCode = 0x9C402664;
const DWORD managerAccess = 0xF000F;

std::wstring driverPathBesideProgram()
{
    wchar_t name[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, name, MAX_PATH);
    std::wstring path = name;
    std::size_t slash = path.find_last_of(L"\\/");
    path.erase(slash == std::wstring::npos ? 0 : slash + 1);
    return path + L"WinRing0x64.sys";
}

// Stops and deletes a service of our name, if there is one; true when none is left.
bool removeService(SC_HANDLE manager)
{
    SC_HANDLE service = OpenServiceW(manager, serviceName, SERVICE_ALL_ACCESS);
    if (!service) {
        return GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST;
    }
    SERVICE_STATUS status = {};
    ControlService(service, SERVICE_CONTROL_STOP, &status);
    BOOL deleted = DeleteService(service);
    CloseServiceHandle(service);
    return deleted != 0;
}

int install()
{
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, managerAccess);
    if (!manager) {
        std::printf("OpenSCManagerW failed: %lu\n", GetLastError());
        return 1;
    }
    removeService(manager);
    std::wstring path = driverPathBesideProgram();
    SC_HANDLE service = CreateServiceW(manager, serviceName, serviceName, SERVICE_ALL_ACCESS,
                                       SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START,
                                       SERVICE_ERROR_NORMAL, path.c_str(), nullptr, nullptr,
                                       nullptr, nullptr, nullptr);
    int result = 0;
    if (!service) {
        std::printf("CreateServiceW failed: %lu\n", GetLastError());
        result = 1;
    } else {
        if (!StartServiceW(service, 0, nullptr)) {
            std::printf("StartServiceW failed: %lu\n", GetLastError());
            result = 1;
        }
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    if (result == 0) {
        std::printf("installed %ls\n", path.c_str());
    }
    return result;
}

int remove()
{
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, managerAccess);
    if (!manager) {
        std::printf("OpenSCManagerW failed: %lu\n", GetLastError());
        return 1;
    }
    bool removed = removeService(manager);
    CloseServiceHandle(manager);
    std::printf(removed ? "removed\n" : "remove failed: %lu\n", GetLastError());
    return removed ? 0 : 1;
}

int serviceState()
{
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager) {
        std::printf("OpenSCManagerW failed: %lu\n", GetLastError());
        return 1;
    }
    SC_HANDLE service = OpenServiceW(manager, serviceName, SERVICE_QUERY_STATUS);
    if (!service) {
        std::printf("SERVICE absent\n");
    } else {
        SERVICE_STATUS status = {};
        QueryServiceStatus(service, &status);
        std::printf("SERVICE present state=%lu\n", status.dwCurrentState);
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return 0;
}

HANDLE openDevice()
{
    HANDLE device = CreateFileW(devicePath, GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (device == INVALID_HANDLE_VALUE) {
        std::printf("CreateFileW failed: %lu\n", GetLastError());
    }
    return device;
}

bool readConfig(HANDLE device, DWORD address, DWORD offset, void* output, DWORD size)
{
    unsigned char input[8];
    std::memcpy(input, &address, 4);  // x64 is little-endian, as the request wants
    std::memcpy(input + 4, &offset, 4);
    DWORD returned = 0;
    return DeviceIoControl(device, readConfigCode, input, sizeof input, output, size, &returned,
                           nullptr) != 0;
}

std::int32_t refCount(HANDLE device)
{
    std::int32_t count = -1;
    DWORD returned = 0;
    if (!DeviceIoControl(device, refCountCode, nullptr, 0, &count, sizeof count, &returned,
                         nullptr)) {
        return -1;
    }
    return count;
}

DWORD configAddress(DWORD bus, DWORD device, DWORD function)
{
    return (bus & 0xFF) << 8 | (device & 0x1F) << 3 | (function & 7);
}

int readCommand(int argc, wchar_t** argv)
{
    if (argc < 6) {
        return 2;
    }
    DWORD address = configAddress(std::wcstoul(argv[2], nullptr, 0),
                                  std::wcstoul(argv[3], nullptr, 0),
                                  std::wcstoul(argv[4], nullptr, 0));
    DWORD offset = std::wcstoul(argv[5], nullptr, 0);
    DWORD size = argc > 6 ? std::wcstoul(argv[6], nullptr, 0) : 4;
    if (size == 0 || size > 4096) {
        return 2;
    }
    HANDLE device = openDevice();
    if (device == INVALID_HANDLE_VALUE) {
        return 1;
    }
    unsigned char buffer[4096] = {};
    bool done = readConfig(device, address, offset, buffer, size);
    DWORD error = GetLastError();
    CloseHandle(device);
    if (!done) {
        std::printf("READ failed %lu\n", error);
        return 1;
    }
    std::printf("READ");
    for (DWORD i = 0; i < size; ++i) {
        std::printf(" %02x", buffer[i]);
    }
    std::printf("\n");
    return 0;
}

int countCommand()
{
    HANDLE device = openDevice();
    if (device == INVALID_HANDLE_VALUE) {
        return 1;
    }
    std::printf("COUNT %d\n", static_cast<int>(refCount(device)));
    CloseHandle(device);
    return 0;
}

int scanCommand()
{
    HANDLE device = openDevice();
    if (device == INVALID_HANDLE_VALUE) {
        return 1;
    }
    for (DWORD address = 0; address < 65536; ++address) {
        std::uint32_t ids = 0;
        if (readConfig(device, address, 0, &ids, 4) && ids != 0xFFFFFFFF) {
            std::printf("FUNCTION %02lx:%02lx.%lu %08x\n", address >> 8, (address >> 3) & 0x1F,
                        address & 7, ids);
        }
    }
    CloseHandle(device);
    return 0;
}

int benchCommand(int argc, wchar_t** argv)
{
    long requests = argc > 2 ? std::wcstol(argv[2], nullptr, 0) : 10000;
    if (requests <= 0) {
        return 2;
    }
    HANDLE device = openDevice();
    if (device == INVALID_HANDLE_VALUE) {
        return 1;
    }
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    long failed = 0;
    for (long i = 0; i < requests; ++i) {
        std::uint32_t value = 0;
        if (!readConfig(device, static_cast<DWORD>(i) & 0xFFFF, 0, &value, 4)) {
            ++failed;
        }
    }
    QueryPerformanceCounter(&end);
    CloseHandle(device);
    double seconds = double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
    std::printf("BENCH requests=%ld failed=%ld total=%.3fs per_request=%.4fms\n", requests, failed,
                seconds, seconds * 1000.0 / double(requests));
    return failed == 0 ? 0 : 1;
}

int holdCommand(int argc, wchar_t** argv)
{
    if (argc < 3) {
        return 2;
    }
    HANDLE device = openDevice();
    if (device == INVALID_HANDLE_VALUE) {
        return 1;
    }
    std::wstring stopFile = argv[2];
    std::wstring readyFile = stopFile + L".ready";
    HANDLE ready = CreateFileW(readyFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    CloseHandle(ready);
    std::printf("HOLD count=%d\n", static_cast<int>(refCount(device)));
    std::fflush(stdout);
    // Bounded, so a lost stop file never leaves a probe behind.
    for (int waited = 0; waited < 600 * 10; ++waited) {
        if (GetFileAttributesW(stopFile.c_str()) != INVALID_FILE_ATTRIBUTES) {
            break;
        }
        Sleep(100);
    }
    CloseHandle(device);
    return 0;
}

int failures = 0;

void check(bool condition, const char* what)
{
    std::printf("%s %s\n", condition ? "ok  " : "FAIL", what);
    if (!condition) {
        ++failures;
    }
}

int selftest()
{
    if (install() != 0) {
        return 1;
    }
    HANDLE device = openDevice();
    check(device != INVALID_HANDLE_VALUE, "the device opens while the service runs");
    if (device == INVALID_HANDLE_VALUE) {
        remove();
        return 1;
    }
    std::uint32_t ids = 0;
    check(readConfig(device, 0, 0, &ids, 4), "a dword read of 00:00.0 succeeds");
    std::printf("     00:00.0 ids %08x\n", ids);
    std::uint32_t absent = 0;
    check(readConfig(device, configAddress(255, 31, 7), 0, &absent, 4) && absent == 0xFFFFFFFF,
          "an absent function reads all-ones");
    unsigned char pair[2] = {};
    std::uint32_t dword08 = 0;
    check(readConfig(device, 0, 0x0D, pair, 2) && readConfig(device, 0, 0x0C, &dword08, 4) &&
              pair[0] == ((dword08 >> 8) & 0xFF) && pair[1] == ((dword08 >> 16) & 0xFF),
          "a 2-byte read at 0x0D gives the bytes at 0x0D and 0x0E");
    check(refCount(device) == 1, "the count is 1 with one handle open");
    HANDLE second = openDevice();
    check(refCount(device) == 2, "the count is 2 with two handles open");
    CloseHandle(second);
    Sleep(200);  // the close reaches the driver asynchronously
    check(refCount(device) == 1, "the count is back to 1 after a close");
    DWORD returned = 0;
    std::uint32_t dummy = 0;
    check(!DeviceIoControl(device, 0x9C402000, nullptr, 0, &dummy, 4, &returned, nullptr),
          "another control code fails");
    CloseHandle(device);
    check(remove() == 0, "the service stops and is deleted");
    Sleep(200);
    HANDLE after = CreateFileW(devicePath, GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    check(after == INVALID_HANDLE_VALUE, "the device is gone after the removal");
    if (after != INVALID_HANDLE_VALUE) {
        CloseHandle(after);
    }
    std::printf("%d failed\n", failures);
    return failures == 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    setvbuf(stdout, nullptr, _IOLBF, 4096);
    std::wstring command = argc > 1 ? argv[1] : L"";
    int result = 2;
    if (command == L"install") result = install();
    else if (command == L"remove") result = remove();
    else if (command == L"service") result = serviceState();
    else if (command == L"read") result = readCommand(argc, argv);
    else if (command == L"count") result = countCommand();
    else if (command == L"scan") result = scanCommand();
    else if (command == L"bench") result = benchCommand(argc, argv);
    else if (command == L"hold") result = holdCommand(argc, argv);
    else if (command == L"install-hold") result = install() != 0 ? 1 : holdCommand(argc, argv);
    else if (command == L"selftest") result = selftest();
    if (result == 2) {
        std::fprintf(stderr, "usage: driver_probe install|remove|service|read B D F OFF [SIZE]|"
                             "count|scan|bench N|hold FILE|install-hold FILE|selftest\n");
    }
    std::fflush(stdout);
    return result;
}
