// The simulated runner's output contract, which later checks compare with
// the real window line for line.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::vector<std::string> runSim(const std::string& arguments, int* status = nullptr) {
    std::string command = std::string(PCILIST_SIM_EXE) + " " + arguments + " 2>/dev/null";
    std::vector<std::string> lines;
    FILE* output = popen(command.c_str(), "r");
    if (output == nullptr) {
        return lines;
    }
    char buffer[4096];
    std::string line;
    while (fgets(buffer, sizeof buffer, output) != nullptr) {
        line += buffer;
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
            lines.push_back(line);
            line.clear();
        }
    }
    int result = pclose(output);
    if (status != nullptr) {
        *status = result;
    }
    return lines;
}

std::string fixture(const std::string& name) {
    return std::string(PCILIST_SOURCE_DIR) + "/tests/fixtures/" + name;
}

TEST(PcilistSim, PrintsDeviceRowsThenEveryDetailViewThenTheExitCode) {
    std::vector<std::string> lines = runSim("--dump " + fixture("live-vm.dump"));
    ASSERT_EQ(lines.size(), 6u + 6 * 15 + 1);
    EXPECT_EQ(lines[0], "ROW 1\t0\t0\t0\t8086h\t0D57h\t00h\t00000000h\t060000h\t0\tHost Bridge");
    EXPECT_EQ(lines[3].substr(0, 20), "ROW 1\t0\t3\t0\t1AF4h\t10");
    EXPECT_EQ(lines[6], "CLEAR 2");
    EXPECT_EQ(lines[7], "ROW 2\tBus Number\t0");
    EXPECT_EQ(lines[6 + 15 * 3 + 2], "ROW 2\tDevice Number\t3");
    EXPECT_EQ(lines.back(), "EXIT 0");
}

TEST(PcilistSim, DriverMissingInTheFolderGivesTheMessageAndEmptyLists) {
    char pattern[] = "/tmp/pcilist-sim-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    std::vector<std::string> lines =
        runSim("--dump " + fixture("live-vm.dump") + " --folder " + pattern);
    rmdir(pattern);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "MESSAGE RoVuvi - Error\tAn  error  occured  when  opening  the  driver  "
                         "WinRing0x64.sys .\\nThe  program  will  not  run  properly.",
                         "EXIT 0"}));
}

TEST(PcilistSim, RejectsBadArguments) {
    int status = 0;
    EXPECT_TRUE(runSim("--bogus", &status).empty());
    EXPECT_NE(status, 0);
    EXPECT_TRUE(runSim("--dump /nonexistent", &status).empty());
    EXPECT_NE(status, 0);
}

}  // namespace
