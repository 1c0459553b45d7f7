// pcilist-sim: runs the real program flow on the simulated machine and
// prints what the window shows, one line per shown thing.
//
//   pcilist-sim [--dump FILE] [--folder DIR]
//
// --dump: configuration space from a pciutils hex dump (default: this
// machine's /sys/bus/pci/devices). --folder: the program's folder, where the
// driver files and pcinames.txt are looked for (default: a fresh folder that
// holds the driver file, so the driver comes up).
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "app/program.h"
#include "sim/sim_machine.h"
#include "sim/sim_window.h"

namespace {

int usage() {
    std::fprintf(stderr, "usage: pcilist-sim [--dump FILE] [--folder DIR]\n");
    return 2;
}

std::string makeDefaultFolder() {
    char pattern[] = "/tmp/pcilist-sim-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        return std::string();
    }
    std::string folder = pattern;
    std::ofstream driver(folder + "/WinRing0x64.sys");
    return driver ? folder : std::string();
}

void removeDefaultFolder(const std::string& folder) {
    unlink((folder + "/WinRing0x64.sys").c_str());
    rmdir(folder.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    std::string dump;
    std::string folder;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if ((argument == "--dump" || argument == "--folder") && i + 1 < argc) {
            (argument == "--dump" ? dump : folder) = argv[++i];
        } else {
            return usage();
        }
    }

    resetSimMachine();
    resetSimWindow();
    std::string error;
    bool loaded = dump.empty()
                      ? simLoadSysfs("/sys/bus/pci/devices", simMachine.config, error)
                      : simLoadPciDumpFile(dump, simMachine.config, error);
    if (!loaded) {
        std::fprintf(stderr, "pcilist-sim: %s\n", error.c_str());
        return 2;
    }

    bool ownFolder = folder.empty();
    if (ownFolder) {
        folder = makeDefaultFolder();
        if (folder.empty()) {
            std::fprintf(stderr, "pcilist-sim: cannot make a program folder\n");
            return 2;
        }
    }
    if (folder.back() != '/') {
        folder += '/';
    }
    simMachine.moduleFileName = simUtf16(folder + "pcilist.exe");
    simWindow.autoSelectEachRow = true;

    int exitCode = runProgram();

    for (const std::string& line : simWindow.display) {
        std::printf("%s\n", line.c_str());
    }
    std::printf("EXIT %d\n", exitCode);
    if (ownFolder) {
        removeDefaultFolder(folder);
    }
    return 0;
}
