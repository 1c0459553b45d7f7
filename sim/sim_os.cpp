// The operating-system seam over the simulated machine: the WinRing0 driver
// as the program relies on it, the service manager, system information.
// File reads, decoding and upper-case mapping live in sim_files.cpp.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "hw/os.h"
#include "sim/sim_machine.h"

namespace {

constexpr std::uint32_t readConfigRequest = 0x9C406144;
constexpr std::uint32_t refCountRequest = 0x9C402664;
constexpr std::uint32_t serviceControlStop = 1;
constexpr std::uint32_t serviceStopped = 1;

std::string hex(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(value));
    return text;
}

void logCall(const std::string& entry) {
    simMachine.calls.push_back(entry);
}

const char* kindName(SimHandleKind kind) {
    switch (kind) {
    case SimHandleKind::device: return "device";
    case SimHandleKind::file: return "file";
    case SimHandleKind::manager: return "manager";
    case SimHandleKind::service: return "service";
    }
    return "?";
}

OsHandle addHandle(SimHandle handle) {
    OsHandle value = simMachine.nextHandle;
    simMachine.nextHandle += 4;
    simMachine.handles[value] = handle;
    return value;
}

SimHandle* findHandle(OsHandle value, SimHandleKind kind) {
    auto found = simMachine.handles.find(value);
    if (found == simMachine.handles.end() || found->second.kind != kind) {
        return nullptr;
    }
    return &found->second;
}

SimService* serviceOf(OsHandle value) {
    SimHandle* handle = findHandle(value, SimHandleKind::service);
    if (handle == nullptr) {
        return nullptr;
    }
    auto found = simMachine.services.find(handle->serviceName);
    return found == simMachine.services.end() ? nullptr : &found->second;
}

// A service marked for deletion goes once no handle refers to it and it is stopped.
void dropDeletedServices() {
    for (auto it = simMachine.services.begin(); it != simMachine.services.end();) {
        if (it->second.markedForDeletion && it->second.openHandles == 0 && !it->second.running) {
            it = simMachine.services.erase(it);
        } else {
            ++it;
        }
    }
}

bool fileExists(const std::u16string& path) {
    return access(simUtf8(path).c_str(), F_OK) == 0;
}

bool answerConfigRead(const void* input, std::uint32_t inputSize, void* output,
                      std::uint32_t outputSize) {
    if (input == nullptr || inputSize != 8 || output == nullptr || outputSize == 0 ||
        outputSize > 4) {
        simMachine.lastError = simErrorInvalidParameter;
        return false;
    }
    std::uint32_t address, offset;
    std::memcpy(&address, input, 4);
    std::memcpy(&offset, static_cast<const std::uint8_t*>(input) + 4, 4);
    if (simMachine.logReads) {
        simMachine.reads.push_back({address, offset, outputSize});
    }
    if (simMachine.faults.allReadsFail ||
        simMachine.faults.failingReads.count({address, offset}) != 0) {
        simMachine.lastError = simMachine.faults.readErrorCode;
        return false;
    }
    std::uint8_t answer[4];
    const SimFunctionSpace* space =
        address < simAddressCount ? simMachine.config.functions[address].get() : nullptr;
    for (std::uint32_t i = 0; i < outputSize; ++i) {
        std::uint32_t at = offset + i;
        answer[i] = space != nullptr && at < simFunctionSpaceSize ? (*space)[at] : 0xFF;
    }
    std::uint32_t written = outputSize;
    if (simMachine.faults.readBytesWritten >= 0 &&
        static_cast<std::uint32_t>(simMachine.faults.readBytesWritten) < written) {
        written = static_cast<std::uint32_t>(simMachine.faults.readBytesWritten);
    }
    std::memcpy(output, answer, written);
    return true;
}

bool answerRefCount(void* output, std::uint32_t outputSize) {
    logCall("DeviceIoControl(refCount)");
    if (simMachine.faults.refCountFails) {
        simMachine.lastError = simErrorGenFailure;
        return false;
    }
    if (output == nullptr || outputSize < 4) {
        simMachine.lastError = simErrorInvalidParameter;
        return false;
    }
    if (simMachine.faults.refCountWritesNothing) {
        return true;
    }
    std::int32_t count = simMachine.faults.refCountOverridden
                             ? simMachine.faults.refCountValue
                             : simOpenDeviceHandles() + simMachine.otherProgramDeviceHandles;
    std::memcpy(output, &count, 4);
    return true;
}

}  // namespace

OsHandle osCreateFile(const std::u16string& path, std::uint32_t access, std::uint32_t shareMode,
                      std::uint32_t creationDisposition, std::uint32_t flagsAndAttributes) {
    if (path != simDevicePath) {
        return simOpenFile(path, access, shareMode, creationDisposition, flagsAndAttributes);
    }
    std::string entry = "CreateFileW(" + simUtf8(path) + ", " + hex(access) + ", " +
                        hex(shareMode) + ", " + hex(creationDisposition) + ", " +
                        hex(flagsAndAttributes) + ") -> ";
    if (!simDeviceAvailable()) {
        simMachine.lastError = simErrorFileNotFound;
        logCall(entry + "invalid");
        return osInvalidHandle;
    }
    logCall(entry + "device");
    return addHandle(SimHandle{SimHandleKind::device, {}, -1, 0});
}

bool osDeviceIoControl(OsHandle device, std::uint32_t controlCode, const void* input,
                       std::uint32_t inputSize, void* output, std::uint32_t outputSize,
                       std::uint32_t* bytesReturned) {
    if (findHandle(device, SimHandleKind::device) == nullptr) {
        if (controlCode != readConfigRequest || simMachine.logReads) {
            logCall("DeviceIoControl(" + hex(controlCode) + ") on a bad handle");
        }
        simMachine.lastError = simErrorInvalidHandle;
        return false;
    }
    ++simMachine.deviceRequestCount;
    bool answered;
    if (controlCode == readConfigRequest) {
        answered = answerConfigRead(input, inputSize, output, outputSize);
    } else if (controlCode == refCountRequest) {
        answered = answerRefCount(output, outputSize);
    } else {
        logCall("DeviceIoControl(" + hex(controlCode) + ")");
        simMachine.lastError = simErrorInvalidParameter;
        answered = false;
    }
    if (answered && bytesReturned != nullptr) {
        *bytesReturned = outputSize;
    }
    return answered;
}

std::uint32_t osGetLastError() {
    return simMachine.lastError;
}

bool osCloseHandle(OsHandle handle) {
    auto found = simMachine.handles.find(handle);
    if (found == simMachine.handles.end() ||
        (found->second.kind != SimHandleKind::device && found->second.kind != SimHandleKind::file)) {
        logCall("CloseHandle(" + std::to_string(handle) + ")");
        simMachine.lastError = simErrorInvalidHandle;
        return false;
    }
    logCall(std::string("CloseHandle(") + kindName(found->second.kind) + ")");
    if (found->second.fileDescriptor >= 0) {
        close(found->second.fileDescriptor);
    }
    simMachine.handles.erase(found);
    return true;
}

OsHandle osOpenSCManager(std::uint32_t access) {
    std::string entry = "OpenSCManagerW(" + hex(access) + ") -> ";
    if (simMachine.faults.managerOpenFails) {
        simMachine.lastError = simErrorAccessDenied;
        logCall(entry + "0");
        return 0;
    }
    logCall(entry + "manager");
    return addHandle(SimHandle{SimHandleKind::manager, {}, -1, 0});
}

OsHandle osOpenService(OsHandle manager, const std::u16string& name, std::uint32_t access) {
    std::string entry = "OpenServiceW(" + simUtf8(name) + ", " + hex(access) + ") -> ";
    auto found = simMachine.services.find(name);
    if (findHandle(manager, SimHandleKind::manager) == nullptr ||
        found == simMachine.services.end()) {
        simMachine.lastError = simErrorServiceDoesNotExist;
        logCall(entry + "0");
        return 0;
    }
    ++found->second.openHandles;
    logCall(entry + "service");
    return addHandle(SimHandle{SimHandleKind::service, name, -1, 0});
}

int osControlService(OsHandle service, std::uint32_t control, OsServiceStatus* status) {
    SimService* target = serviceOf(service);
    int result = 0;
    if (target == nullptr) {
        simMachine.lastError = simErrorInvalidHandle;
    } else if (control != serviceControlStop || simMachine.faults.stopServiceFails) {
        simMachine.lastError = simErrorAccessDenied;
    } else if (!target->running) {
        simMachine.lastError = simErrorServiceNotActive;
    } else {
        target->running = false;
        result = 1;
    }
    if (result == 1 && status != nullptr) {
        *status = OsServiceStatus{1, serviceStopped, 0, 0, 0, 0, 0};
    }
    logCall("ControlService(" + std::to_string(control) + ") -> " + std::to_string(result));
    return result;
}

int osDeleteService(OsHandle service) {
    SimService* target = serviceOf(service);
    int result = 0;
    if (target == nullptr) {
        simMachine.lastError = simErrorInvalidHandle;
    } else if (simMachine.faults.deleteServiceFails) {
        simMachine.lastError = simErrorAccessDenied;
    } else if (target->markedForDeletion) {
        simMachine.lastError = simErrorServiceMarkedForDelete;
    } else {
        target->markedForDeletion = true;
        result = 1;
    }
    logCall("DeleteService -> " + std::to_string(result));
    return result;
}

OsHandle osCreateService(OsHandle manager, const std::u16string& name,
                         const std::u16string& displayName, std::uint32_t access,
                         std::uint32_t serviceType, std::uint32_t startType,
                         std::uint32_t errorControl, const std::u16string& binaryPath) {
    std::string entry = "CreateServiceW(" + simUtf8(name) + ", " + simUtf8(displayName) + ", " +
                        hex(access) + ", " + std::to_string(serviceType) + ", " +
                        std::to_string(startType) + ", " + std::to_string(errorControl) + ", " +
                        simUtf8(binaryPath) + ") -> ";
    auto found = simMachine.services.find(name);
    if (findHandle(manager, SimHandleKind::manager) == nullptr ||
        simMachine.faults.createServiceFails) {
        simMachine.lastError = simErrorAccessDenied;
        logCall(entry + "0");
        return 0;
    }
    if (found != simMachine.services.end()) {
        simMachine.lastError = found->second.markedForDeletion ? simErrorServiceMarkedForDelete
                                                               : simErrorServiceExists;
        logCall(entry + "0");
        return 0;
    }
    SimService created;
    created.displayName = displayName;
    created.binaryPath = binaryPath;
    created.serviceType = serviceType;
    created.startType = startType;
    created.errorControl = errorControl;
    created.openHandles = 1;
    simMachine.services[name] = created;
    logCall(entry + "service");
    return addHandle(SimHandle{SimHandleKind::service, name, -1, 0});
}

int osStartService(OsHandle service) {
    SimService* target = serviceOf(service);
    int result = 0;
    if (target == nullptr) {
        simMachine.lastError = simErrorInvalidHandle;
    } else if (simMachine.faults.startServiceFails || !fileExists(target->binaryPath)) {
        simMachine.lastError = simErrorFileNotFound;
    } else if (target->markedForDeletion) {
        simMachine.lastError = simErrorServiceMarkedForDelete;
    } else {
        target->running = true;
        result = 1;
    }
    logCall("StartServiceW -> " + std::to_string(result));
    return result;
}

int osCloseServiceHandle(OsHandle handle) {
    auto found = simMachine.handles.find(handle);
    if (found == simMachine.handles.end() || (found->second.kind != SimHandleKind::manager &&
                                              found->second.kind != SimHandleKind::service)) {
        logCall("CloseServiceHandle(" + std::to_string(handle) + ")");
        simMachine.lastError = simErrorInvalidHandle;
        return 0;
    }
    logCall(std::string("CloseServiceHandle(") + kindName(found->second.kind) + ")");
    if (found->second.kind == SimHandleKind::service) {
        auto service = simMachine.services.find(found->second.serviceName);
        if (service != simMachine.services.end()) {
            --service->second.openHandles;
        }
    }
    simMachine.handles.erase(found);
    dropDeletedServices();
    return 1;
}

std::uint16_t osNativeProcessorArchitecture() {
    logCall("GetNativeSystemInfo -> " + std::to_string(simMachine.architecture));
    return simMachine.architecture;
}

bool osGetVersion(OsVersionInfo* info) {
    if (simMachine.faults.versionQueryFails) {
        logCall("GetVersionExA -> 0");
        return false;
    }
    *info = simMachine.version;
    logCall("GetVersionExA -> 1");
    return true;
}

std::u16string osModuleFileName(std::uint32_t capacity) {
    logCall("GetModuleFileNameW(" + std::to_string(capacity) + ")");
    std::u16string name = simMachine.moduleFileName;
    if (capacity == 0) {
        return std::u16string();
    }
    if (name.size() >= capacity) {
        name.resize(capacity - 1);  // cut as the system cuts: room for the terminating zero
    }
    return name;
}

void osSleep(std::uint32_t milliseconds) {
    ++simMachine.sleepCount;
    logCall("Sleep(" + std::to_string(milliseconds) + ")");
}

void* osAllocate(std::size_t size) {
    long number = simMachine.allocationCount++;
    if (simMachine.faults.allocationFailsAt >= 0 && number == simMachine.faults.allocationFailsAt) {
        return nullptr;
    }
    return std::malloc(size == 0 ? 1 : size);
}

void osFree(void* block) {
    std::free(block);
}
