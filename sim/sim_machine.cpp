#include "sim/sim_machine.h"

#include "inventory/text_format.h"

SimMachine simMachine;

const std::u16string simDevicePath = u"\\\\.\\WinRing0_1_2_0";

void resetSimMachine() {
    simMachine = SimMachine();
}

void simAddService(const std::u16string& name, const std::u16string& binaryPath, bool running) {
    SimService service;
    service.displayName = name;
    service.binaryPath = binaryPath;
    service.serviceType = 1;
    service.startType = 3;
    service.errorControl = 1;
    service.running = running;
    simMachine.services[name] = service;
}

bool simDeviceAvailable() {
    if (simMachine.faults.deviceNeverOpens) {
        return false;
    }
    for (const auto& entry : simMachine.services) {
        if (entry.second.running) {
            return true;
        }
    }
    return false;
}

int simOpenDeviceHandles() {
    int count = 0;
    for (const auto& entry : simMachine.handles) {
        if (entry.second.kind == SimHandleKind::device) {
            ++count;
        }
    }
    return count;
}

int simOpenHandleCount() {
    return static_cast<int>(simMachine.handles.size());
}

namespace {

SimFunctionSpace& functionSpace(std::uint32_t address) {
    std::unique_ptr<SimFunctionSpace>& slot = simMachine.config.functions.at(address & 0xFFFF);
    if (!slot) {
        slot = std::make_unique<SimFunctionSpace>();
        slot->fill(0);
    }
    return *slot;
}

}  // namespace

void simAddFunction(std::uint32_t address) {
    functionSpace(address);
}

void simSetConfigByte(std::uint32_t address, std::uint32_t offset, std::uint8_t value) {
    functionSpace(address).at(offset) = value;
}

void simSetConfigDword(std::uint32_t address, std::uint32_t offset, std::uint32_t value) {
    SimFunctionSpace& space = functionSpace(address);
    for (std::uint32_t i = 0; i < 4; ++i) {
        space.at(offset + i) = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

std::string simUtf8(const std::u16string& text) {
    return toUtf8(text);
}

std::u16string simUtf16(const std::string& text) {
    return fromUtf8(text);
}
