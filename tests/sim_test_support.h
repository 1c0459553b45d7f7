// Shared set-up for tests on the simulated machine.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "hw/driver_access.h"
#include "sim/sim_machine.h"
#include "sim/sim_window.h"

// A fresh folder for the simulated program, removed with everything in it.
struct TempFolder {
    std::string path;
    TempFolder() {
        char pattern[] = "/tmp/pcilist-test-XXXXXX";
        path = mkdtemp(pattern) ? pattern : "";
    }
    ~TempFolder() {
        std::string command = "rm -rf '" + path + "'";
        if (std::system(command.c_str()) != 0) {
        }
    }
    std::string file(const std::string& name) const { return path + "/" + name; }
    void write(const std::string& name, const std::string& bytes) const {
        std::ofstream out(file(name), std::ios::binary);
        out << bytes;
    }
};

// A fresh machine whose program lies in `folder`, with the program-wide
// values that start-up sets.
inline void resetMachineFor(const TempFolder& folder) {
    resetSimMachine();
    resetSimWindow();
    simMachine.moduleFileName = simUtf16(folder.path + "/pcilist.exe");
    serviceName = u"WinRing0_1_2_0";
    devicePath = u"\\\\.\\WinRing0_1_2_0";
    driverChannel.handle = 0;
    driverFileName.clear();
}

// The call log without the entries that do not concern the driver's
// service or device (window, module name, system queries).
inline std::vector<std::string> driverCalls() {
    std::vector<std::string> result;
    for (const std::string& call : simMachine.calls) {
        if (call.rfind("GetModuleFileNameW", 0) == 0 || call.rfind("GetNativeSystemInfo", 0) == 0 ||
            call.rfind("GetVersionExA", 0) == 0 || call.rfind("InitCommonControlsEx", 0) == 0 ||
            call.rfind("CreateWindowExW", 0) == 0) {
            continue;
        }
        result.push_back(call);
    }
    return result;
}
